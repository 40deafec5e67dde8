# The zip engine, and the catalogue that lists an archive as a window does.
set(BENCH_LIBS catalogue zip app platform ui)
