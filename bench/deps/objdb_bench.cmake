set(BENCH_LIBS objdb platform)
