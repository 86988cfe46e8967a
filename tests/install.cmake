# The installed tree in a scratch prefix, and the helper started from it by
# bus activation.
tellwick_integration_test(install_test
  SOURCES install_test.cc
  LIBS tellwick_os_dbus tellwick_os_bus_names tellwick_os_files tellwick_os_desktop tellwick_protocol
       tellwick_protocol_install tellwick_os_store)
target_compile_definitions(install_test PRIVATE
  TELLWICK_BUILD_DIR="${CMAKE_BINARY_DIR}"
  TELLWICK_VERSION="${PROJECT_VERSION}")
add_dependencies(install_test tellwick_installables)
