# The profiler-based Bluetooth battery finder and the battery request handler.
add_library(tellwick_bluetooth STATIC
  ${CMAKE_CURRENT_LIST_DIR}/batteries_controller.cc
  ${CMAKE_CURRENT_LIST_DIR}/shell_controller.cc
)
target_link_libraries(tellwick_bluetooth PUBLIC tellwick_protocol tellwick_profiler)

tellwick_unit_test(bluetooth_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/batteries_controller_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/shell_controller_test.cc
  LIBS tellwick_bluetooth)
