# Starting the helper at login: an XDG autostart entry, or the systemd user
# unit enabled through the user's service manager.
add_library(tellwick_autostart STATIC
  ${CMAKE_CURRENT_LIST_DIR}/desktop_entry.cc
  ${CMAKE_CURRENT_LIST_DIR}/login_item_auto_start_controller.cc
  ${CMAKE_CURRENT_LIST_DIR}/main_app_auto_start_controller.cc
)
target_link_libraries(tellwick_autostart PUBLIC tellwick_platform tellwick_os)

tellwick_unit_test(autostart_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/desktop_entry_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/auto_start_controller_test.cc
  LIBS tellwick_autostart)
