# vorlane_module(NAME [DEPENDS lib...])
#
# Builds src/NAME/*.cpp into the static library NAME (an interface library
# while the folder holds headers only) and, when tests are on,
# tests/NAME/*.cpp into the test program NAME_tests. Headers are included as
# "NAME/Header.h" from src/; a module's private headers live in
# src/NAME/private/.
function(vorlane_module name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    if(VORLANE_FAULT_INJECTION)
      target_compile_definitions(${name} PUBLIC VORLANE_FAULT_INJECTION=1)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()

  if(VORLANE_TESTS)
    file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
    if(tests)
      add_executable(${name}_tests ${tests})
      target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
      target_link_libraries(${name}_tests PRIVATE ${name} testsupport GTest::gmock)
      gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST
                           PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
    endif()
  endif()
endfunction()
