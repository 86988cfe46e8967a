# The HID sensor event system: its interface helpers and the Linux
# implementation over hwmon through libsensors.
find_path(SENSORS_INCLUDE_DIR sensors/sensors.h REQUIRED)
find_library(SENSORS_LIBRARY sensors REQUIRED)

add_library(tellwick_os_hid STATIC
  ${CMAKE_CURRENT_LIST_DIR}/hid_event_system.cc
  ${CMAKE_CURRENT_LIST_DIR}/hid_event_system_linux.cc
)
target_include_directories(tellwick_os_hid PRIVATE ${SENSORS_INCLUDE_DIR})
target_link_libraries(tellwick_os_hid PUBLIC tellwick_os PRIVATE ${SENSORS_LIBRARY})

tellwick_unit_test(os_hid_event_system_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/hid_event_system_test.cc
  LIBS tellwick_os_hid)
