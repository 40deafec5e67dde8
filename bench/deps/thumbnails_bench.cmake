# The thumbnail scan (viewers) and, for the view, the Qt shell.
set(BENCH_LIBS gui viewers zip fileops descriptions catalogue search objdb app ui platform
    Qt6::Widgets)
