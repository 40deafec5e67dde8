# The add command of the file operations and the zip engine under it.
set(BENCH_LIBS fileops zip catalogue descriptions app platform ui)
