# Names on the session bus and activation of their providers (sd-bus).
pkg_check_modules(LIBSYSTEMD REQUIRED IMPORTED_TARGET libsystemd)

add_library(tellwick_os_bus_names STATIC ${CMAKE_CURRENT_LIST_DIR}/bus_names_linux.cc)
target_link_libraries(tellwick_os_bus_names PUBLIC tellwick_os PRIVATE PkgConfig::LIBSYSTEMD)
