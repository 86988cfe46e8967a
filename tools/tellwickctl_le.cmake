# `tellwickctl le`: the Bluetooth LE finder over BlueZ.
find_package(nlohmann_json REQUIRED)
add_library(tellwick_ctl_le STATIC ${CMAKE_CURRENT_LIST_DIR}/tellwickctl_le.cc)
target_link_libraries(tellwick_ctl_le PUBLIC tellwick_low_energy
  PRIVATE tellwick_os_bluetooth tellwick_os_clock tellwick_os_store nlohmann_json::nlohmann_json)
target_link_libraries(tellwickctl PRIVATE tellwick_ctl_le)

tellwick_unit_test(tellwickctl_le_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/tellwickctl_le_test.cc
  LIBS tellwick_ctl_le)
