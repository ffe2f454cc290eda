# A plain program (its own main).
quorvex_benchmark(journal LIBS quorvex_journal)
