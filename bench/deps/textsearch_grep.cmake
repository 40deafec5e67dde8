# The grep mode of the text search engine.
set(BENCH_LIBS search platform ui)
