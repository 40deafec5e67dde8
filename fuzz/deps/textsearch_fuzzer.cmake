# The text search engine.
set(FUZZ_LIBS search platform ui)
