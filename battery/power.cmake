# The machine's own battery and the registry-based HID battery finder.
add_library(tellwick_battery_power STATIC
  ${CMAKE_CURRENT_LIST_DIR}/bluetooth_finder.cc
  ${CMAKE_CURRENT_LIST_DIR}/internal_battery.cc
  ${CMAKE_CURRENT_LIST_DIR}/iokit_controller.cc
)
target_link_libraries(tellwick_battery_power PUBLIC tellwick_battery tellwick_os_power)

tellwick_unit_test(battery_power_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/internal_battery_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/bluetooth_finder_test.cc
  LIBS tellwick_battery_power)
