# Starting the helper through D-Bus activation on a private bus.
add_executable(activation_bench activation_bench.cc)
target_link_libraries(activation_bench PRIVATE benchmark::benchmark tellwick_protocol_install tellwick_os_dbus
  tellwick_os_bus_names tellwick_os_files tellwick_os_desktop tellwick_os_store)
target_include_directories(activation_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(activation_bench PRIVATE TELLWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(activation_bench tellwick nettop system_profiler)
