# A plain program (its own main); starts Debian's mosquitto on a free port itself.
quorvex_benchmark(tracker_latency LIBS quorvex_tracker)
