# A plain program (its own main).
quorvex_benchmark(dispatch_latency LIBS quorvex_device quorvex_simulator quorvex_communication quorvex_logfile util)
