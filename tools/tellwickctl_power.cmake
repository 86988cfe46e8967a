# tellwickctl's battery and peripherals commands, which read the machine
# directly rather than ask the helper.
add_library(tellwick_ctl_power STATIC ${CMAKE_CURRENT_LIST_DIR}/tellwickctl_battery.cc)
target_link_libraries(tellwick_ctl_power PUBLIC tellwick_battery_power
  PRIVATE nlohmann_json::nlohmann_json)
target_link_libraries(tellwickctl PRIVATE tellwick_ctl_power)
