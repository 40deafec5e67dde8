# The zip engine (and what it builds on).
set(BENCH_LIBS zip fileops descriptions catalogue app platform ui)
