# The DESCRIPT.ION reader and writer.
set(FUZZ_LIBS descriptions platform)
