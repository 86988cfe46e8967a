# The wall clock, and the Bluetooth LE central over BlueZ on the system bus.
add_library(tellwick_os_clock STATIC ${CMAKE_CURRENT_LIST_DIR}/clock_linux.cc)
target_link_libraries(tellwick_os_clock PUBLIC tellwick_os)
