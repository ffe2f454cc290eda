# A plain program (its own main); starts Debian's mosquitto on a free port itself.
quorvex_benchmark(control_room_link LIBS quorvex_controlroom)
