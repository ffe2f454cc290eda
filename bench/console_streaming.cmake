quorvex_benchmark(console_streaming LIBS quorvex_console)
add_dependencies(bench_console_streaming quorvex-sim)
target_compile_definitions(bench_console_streaming PRIVATE QUORVEX_SIM_PROGRAM="$<TARGET_FILE:quorvex-sim>")
