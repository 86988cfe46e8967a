add_executable(traffic_bench traffic_bench.cc)
target_link_libraries(traffic_bench PRIVATE tellwick_traffic tellwick_os_process benchmark::benchmark)
target_compile_definitions(traffic_bench PRIVATE TELLWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(traffic_bench nettop)
