# A Linux system_profiler for the data types the helper reads, installed in
# the tool folder (libexec/tellwick) that the helper puts first on PATH.
pkg_check_modules(LIBSYSTEMD REQUIRED IMPORTED_TARGET libsystemd)

add_library(tellwick_system_profiler_report STATIC
  ${CMAKE_CURRENT_LIST_DIR}/system_profiler_report.cc)

add_executable(system_profiler ${CMAKE_CURRENT_LIST_DIR}/system_profiler.cc)
target_link_libraries(system_profiler PRIVATE tellwick_system_profiler_report PkgConfig::LIBSYSTEMD)
install(TARGETS system_profiler RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/tellwick)

tellwick_unit_test(system_profiler_report_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/system_profiler_report_test.cc
  LIBS tellwick_system_profiler_report tellwick_profiler)
