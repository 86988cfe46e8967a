# tellwickctl watch: the live view's pieces, its unit tests and its tmux check.
add_library(tellwick_watch STATIC
  watch/graph.cc
  watch/history_ring.cc
  watch/layout.cc
  watch/text_cells.cc
  watch/traffic_rates.cc)
target_link_libraries(tellwick_watch PUBLIC tellwick_protocol tellwick_kit)

tellwick_unit_test(watch_test SOURCES
  watch/graph_test.cc
  watch/history_ring_test.cc
  watch/layout_test.cc
  watch/text_cells_test.cc
  watch/traffic_rates_test.cc
  LIBS tellwick_watch)
