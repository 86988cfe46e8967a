# The system-management controller's user client, read from sysfs on Linux.
add_library(tellwick_os_smc STATIC smc_linux.cc)
target_link_libraries(tellwick_os_smc PUBLIC tellwick_os)

tellwick_unit_test(os_smc_test
  SOURCES smc_linux_test.cc
  LIBS tellwick_os_smc)
