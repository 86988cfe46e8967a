# tellwickctl's installation commands: status, launch, update, website,
# autostart.
find_package(nlohmann_json REQUIRED)

add_library(tellwick_ctl_install STATIC ${CMAKE_CURRENT_LIST_DIR}/tellwickctl_install.cc)
target_compile_definitions(tellwick_ctl_install PRIVATE
  TELLWICK_INSTALLED_HELPER="${CMAKE_INSTALL_FULL_BINDIR}/tellwick")
target_link_libraries(tellwick_ctl_install
  PUBLIC tellwick_protocol_install tellwick_autostart tellwick_os_dbus
  PRIVATE tellwick_os_files tellwick_os_bus_names tellwick_os_unit_files tellwick_os_desktop tellwick_os_http
          tellwick_os_store nlohmann_json::nlohmann_json)
target_link_libraries(tellwickctl PRIVATE tellwick_ctl_install)

tellwick_unit_test(tellwickctl_install_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tellwickctl_install_test.cc
  LIBS tellwick_ctl_install)
