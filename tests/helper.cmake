# The helper end to end: the built tellwick and tellwickctl on private buses.
tellwick_integration_test(helper_test
  SOURCES helper_lifecycle_test.cc helper_requests_test.cc
  LIBS tellwick_os_dbus tellwick_protocol tellwick_os_store)
target_compile_definitions(helper_test PRIVATE
  TELLWICK_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
add_dependencies(helper_test tellwick tellwickctl)

tellwick_integration_test(notification_center_contract_test
  SOURCES notification_center_contract_test.cc
  LIBS tellwick_os_dbus)
