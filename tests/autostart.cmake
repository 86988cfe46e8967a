# The auto-start controllers with real folders, desktop-file-validate and a
# mock systemd user manager.
tellwick_integration_test(autostart_integration_test
  SOURCES autostart_integration_test.cc
  LIBS tellwick_autostart tellwick_os_files tellwick_os_bus_names tellwick_os_unit_files)
