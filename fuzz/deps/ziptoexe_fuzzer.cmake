set(FUZZ_LIBS fileops)
