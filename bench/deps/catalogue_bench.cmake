# The catalogue benchmark measures the catalogue module and what it builds on.
set(BENCH_LIBS catalogue app platform ui)
