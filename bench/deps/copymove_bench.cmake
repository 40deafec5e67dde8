# The copy and move driver (and what it builds on).
set(BENCH_LIBS fileops descriptions catalogue zip app platform ui)
