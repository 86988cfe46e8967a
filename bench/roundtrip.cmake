# Round trips through the real helper on a private bus.
add_executable(roundtrip_bench roundtrip_bench.cc)
target_link_libraries(roundtrip_bench PRIVATE benchmark::benchmark tellwick_os_dbus tellwick_protocol tellwick_os_store)
target_compile_definitions(roundtrip_bench PRIVATE
  TELLWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
  TELLWICK_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
add_dependencies(roundtrip_bench tellwick)
