# The wall clock, and the Bluetooth LE central over BlueZ on the system bus.
add_library(tellwick_os_clock STATIC ${CMAKE_CURRENT_LIST_DIR}/clock_linux.cc)
target_link_libraries(tellwick_os_clock PUBLIC tellwick_os)

add_library(tellwick_os_bluetooth STATIC ${CMAKE_CURRENT_LIST_DIR}/bluetooth_central_linux.cc)
target_link_libraries(tellwick_os_bluetooth PUBLIC tellwick_os PRIVATE PkgConfig::LIBSYSTEMD)

# Folders and bundle directories that hold the system's product pictures.
add_library(tellwick_os_bundle_files STATIC ${CMAKE_CURRENT_LIST_DIR}/bundle_file_system_linux.cc)
target_link_libraries(tellwick_os_bundle_files PUBLIC tellwick_os)
