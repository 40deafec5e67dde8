# vorlane_module(NAME [DEPENDS lib...])
#
# Builds src/NAME/*.cpp into the static library NAME (an interface library
# while the folder holds headers only) and, when tests are on,
# tests/NAME/*.cpp into the test program NAME_tests. Headers are included as
# "NAME/Header.h"; a module's private headers live in src/NAME/private/.
#
# A module exports only its own headers: its public include directory,
# <build>/include/NAME, holds one link NAME -> src/NAME and nothing else.
# Another module's headers reach a target only through target_link_libraries
# (the DEPENDS list, and what those modules depend on), so a source cannot
# include a module its library does not link. scripts/check-layers states
# the same rule for the sources themselves.
function(vorlane_module name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  set(include_dir ${PROJECT_BINARY_DIR}/include/${name})
  file(MAKE_DIRECTORY ${include_dir})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${include_dir}/${name} SYMBOLIC)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${include_dir})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    if(VORLANE_FAULT_INJECTION)
      target_compile_definitions(${name} PUBLIC VORLANE_FAULT_INJECTION=1)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${include_dir})
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()

  if(VORLANE_TESTS)
    file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
    if(tests)
      add_executable(${name}_tests ${tests})
      target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
      target_link_libraries(${name}_tests PRIVATE ${name} testsupport GTest::gmock)
      # Test programs compile without optimisation: their code is mostly
      # assertion macros, which the optimiser takes long over (about 40% of
      # a test file's compile time) and which run as fast either way. The
      # modules under test keep the build's level.
      target_compile_options(${name}_tests PRIVATE -O0)
      gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST
                           PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
    endif()
  endif()
endfunction()
