# The delete, rename, attribute and touch drivers (and what they build on).
set(BENCH_LIBS fileops descriptions catalogue zip app platform ui)
