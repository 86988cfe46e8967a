# tellwickctl watch: the live view's pieces, its unit tests and its tmux check.
find_package(nlohmann_json REQUIRED)
pkg_check_modules(NCURSESW REQUIRED IMPORTED_TARGET ncursesw)

# The pure pieces: everything the view computes and draws as text.
add_library(tellwick_watch STATIC
  watch/frame.cc
  watch/graph.cc
  watch/history_ring.cc
  watch/json_line.cc
  watch/keys.cc
  watch/layout.cc
  watch/text_cells.cc
  watch/traffic_rates.cc
  watch/watch_options.cc
  watch/watch_state.cc)
target_link_libraries(tellwick_watch PUBLIC tellwick_protocol tellwick_kit tellwick_battery
  PRIVATE nlohmann_json::nlohmann_json)

# The view itself: the bus client, the terminal and the loop.
add_library(tellwick_watch_view STATIC
  watch/helper_client.cc
  watch/screen_ncurses.cc
  watch/watch.cc)
target_link_libraries(tellwick_watch_view PUBLIC tellwick_watch
  PRIVATE tellwick_os_dbus tellwick_os_store PkgConfig::NCURSESW)
target_link_libraries(tellwickctl PRIVATE tellwick_watch_view)

tellwick_unit_test(watch_test SOURCES
  watch/frame_test.cc
  watch/graph_test.cc
  watch/history_ring_test.cc
  watch/json_line_test.cc
  watch/keys_test.cc
  watch/layout_test.cc
  watch/text_cells_test.cc
  watch/traffic_rates_test.cc
  watch/watch_options_test.cc
  LIBS tellwick_watch)

# The view in a real terminal (tmux) against the helper in the simulated laptop.
tellwick_integration_test(watch_view_test
  SOURCES ${CMAKE_SOURCE_DIR}/tests/watch_view_test.cc
  LIBS tellwick_os_dbus tellwick_protocol tellwick_os_store)
add_dependencies(watch_view_test tellwick tellwickctl nettop system_profiler)

# The view's own CPU time and memory (run by `make bench`).
if(TELLWICK_BENCH AND NOT TELLWICK_SANITIZE)
  find_package(benchmark REQUIRED)
  add_executable(watch_bench ${CMAKE_SOURCE_DIR}/bench/watch_bench.cc)
  target_link_libraries(watch_bench PRIVATE tellwick_watch tellwick_os_dbus benchmark::benchmark)
  set_target_properties(watch_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_compile_definitions(watch_bench PRIVATE
    TELLWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    TELLWICK_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
  add_dependencies(watch_bench tellwick tellwickctl nettop system_profiler)
endif()
