# The file operation engine (and what it builds on).
set(BENCH_LIBS fileops descriptions catalogue app platform ui)
