# A plain program (its own main).
quorvex_benchmark(passages_tab LIBS quorvex_console)
