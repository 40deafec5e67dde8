set(FUZZ_LIBS zip)
