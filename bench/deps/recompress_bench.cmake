# The recompress job (and what it builds on).
set(BENCH_LIBS fileops descriptions catalogue zip app platform ui)
