# The file system as the installation checks and the autostart entries see it.
add_library(tellwick_os_files STATIC ${CMAKE_CURRENT_LIST_DIR}/file_system_linux.cc)
target_link_libraries(tellwick_os_files PUBLIC tellwick_os)

tellwick_unit_test(os_file_system_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_system_test.cc
  LIBS tellwick_os_files)
