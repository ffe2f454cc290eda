# A plain program (its own main); it reads the known-answer Initialization Message of the tests.
quorvex_benchmark(dispatch_latency LIBS quorvex_device quorvex_communication util)
target_compile_definitions(bench_dispatch_latency PRIVATE QUORVEX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
