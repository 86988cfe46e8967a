# The Bluetooth LE battery finder, its device catalogue and the pictures and
# symbols of battery devices.
find_package(nlohmann_json REQUIRED)

add_library(tellwick_low_energy STATIC
  ${CMAKE_CURRENT_LIST_DIR}/device_catalogue.cc
  ${CMAKE_CURRENT_LIST_DIR}/device_images.cc
  ${CMAKE_CURRENT_LIST_DIR}/device_symbols.cc
  ${CMAKE_CURRENT_LIST_DIR}/low_energy_device.cc
  ${CMAKE_CURRENT_LIST_DIR}/low_energy_finder.cc
  ${CMAKE_CURRENT_LIST_DIR}/low_energy_persistency.cc
)
target_link_libraries(tellwick_low_energy PUBLIC tellwick_battery tellwick_platform
  PRIVATE nlohmann_json::nlohmann_json)

tellwick_unit_test(low_energy_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/low_energy_finder_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/device_symbols_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/device_images_test.cc
  LIBS tellwick_low_energy tellwick_os_store tellwick_os_bundle_files)
