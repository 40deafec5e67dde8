# The Qt shell and every module it builds on.
set(BENCH_LIBS gui zip fileops descriptions catalogue display search objdb app ui platform Qt6::Widgets)
