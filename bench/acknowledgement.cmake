# A plain program (its own main).
quorvex_benchmark(acknowledgement LIBS quorvex_journal quorvex_simulator)
