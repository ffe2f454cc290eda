quorvex_benchmark(tracker_ingest LIBS quorvex_tracker)
target_compile_definitions(bench_tracker_ingest PRIVATE
  QUORVEX_SAMPLE_ROUTE="${PROJECT_SOURCE_DIR}/tracking/routes/junee-griffith.geojson")
