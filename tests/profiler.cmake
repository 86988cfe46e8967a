# The profiler reader and the Bluetooth finder with real processes: scripted
# system_profilers on PATH, and the Linux system_profiler against a BlueZ mock
# on a private bus.
tellwick_integration_test(profiler_integration_test
  SOURCES profiler_integration_test.cc
  LIBS tellwick_bluetooth tellwick_os_process)
add_dependencies(profiler_integration_test system_profiler)
