set(BENCH_LIBS app ui platform)
