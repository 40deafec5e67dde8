# The data generator uses no module.
set(BENCH_LIBS)
