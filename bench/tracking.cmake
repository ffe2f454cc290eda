# Chainage on a long route, reading a long route file, and recomputing a big run.
quorvex_benchmark(tracking LIBS quorvex_tracking)
