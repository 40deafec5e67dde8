# The print benchmark measures the GUI's list printing and what it builds on.
set(BENCH_LIBS gui zip fileops descriptions catalogue objdb app ui platform Qt6::Widgets
    Qt6::PrintSupport)
