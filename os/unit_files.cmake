# The systemd user manager's unit files over the session bus (sd-bus).
pkg_check_modules(LIBSYSTEMD REQUIRED IMPORTED_TARGET libsystemd)

add_library(tellwick_os_unit_files STATIC ${CMAKE_CURRENT_LIST_DIR}/unit_files_systemd.cc)
target_link_libraries(tellwick_os_unit_files PUBLIC tellwick_os PRIVATE PkgConfig::LIBSYSTEMD)
