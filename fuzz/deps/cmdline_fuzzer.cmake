set(FUZZ_LIBS command)
