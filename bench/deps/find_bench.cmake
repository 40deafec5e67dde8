# The find engine: the walk, the names and the text search.
set(BENCH_LIBS search platform ui)
