set(FUZZ_LIBS objdb platform)
