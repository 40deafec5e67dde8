set(FUZZ_LIBS search objdb platform ui)
