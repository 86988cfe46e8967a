# tellwickctl, the command-line client of the helper.
find_package(nlohmann_json REQUIRED)
add_library(tellwick_ctl STATIC tellwickctl_output.cc)
target_link_libraries(tellwick_ctl PUBLIC tellwick_protocol tellwick_kit
  PRIVATE nlohmann_json::nlohmann_json)

add_executable(tellwickctl tellwickctl.cc)
target_link_libraries(tellwickctl PRIVATE tellwick_ctl tellwick_os_dbus tellwick_os_store)
install(TARGETS tellwickctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

tellwick_unit_test(tellwickctl_test SOURCES tellwickctl_output_test.cc LIBS tellwick_ctl)
