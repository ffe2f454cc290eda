# A plain program (its own main).
quorvex_benchmark(journal_pages LIBS quorvex_journal)
