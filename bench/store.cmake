add_executable(coding_bench coding_bench.cc)
target_link_libraries(coding_bench PRIVATE tellwick_protocol benchmark::benchmark)
