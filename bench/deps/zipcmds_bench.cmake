# The zip archive commands of the file operations module.
set(BENCH_LIBS fileops zip catalogue app platform ui)
