# A plain program for bench/end_to_end.sh, not a benchmark of its own (no bench_ prefix).
add_executable(quorvex-plain-reader plain_reader.cpp)
quorvex_warnings(quorvex-plain-reader)
