# The Linux session-bus pieces: notification channel and main loop (sd-bus,
# sd-event), and the kernel's system identification.
pkg_check_modules(LIBSYSTEMD REQUIRED IMPORTED_TARGET libsystemd)

add_library(tellwick_os_dbus STATIC notification_center_dbus.cc)
target_link_libraries(tellwick_os_dbus PUBLIC tellwick_os PRIVATE PkgConfig::LIBSYSTEMD)

add_library(tellwick_os_system STATIC system_identification_linux.cc)
target_link_libraries(tellwick_os_system PUBLIC tellwick_os)

tellwick_unit_test(system_identification_test
  SOURCES system_identification_test.cc
  LIBS tellwick_os_system)
