# The power sources and the device registry of the battery library, with the
# Linux implementations over libudev and the HID report descriptor parser
# they use.
pkg_check_modules(LIBUDEV REQUIRED IMPORTED_TARGET libudev)

add_library(tellwick_os_power STATIC
  ${CMAKE_CURRENT_LIST_DIR}/hid_report_descriptor.cc
  ${CMAKE_CURRENT_LIST_DIR}/io_registry.cc
  ${CMAKE_CURRENT_LIST_DIR}/io_registry_linux.cc
  ${CMAKE_CURRENT_LIST_DIR}/power_sources_linux.cc
  ${CMAKE_CURRENT_LIST_DIR}/udev_power_supply.cc
)
target_link_libraries(tellwick_os_power PUBLIC tellwick_os PRIVATE PkgConfig::LIBUDEV)

tellwick_unit_test(os_power_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/power_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/hid_report_descriptor_test.cc
  LIBS tellwick_os_power)

if(TELLWICK_FUZZ)
  add_executable(hid_report_descriptor_fuzz ${CMAKE_CURRENT_LIST_DIR}/hid_report_descriptor_fuzz.cc)
  target_link_libraries(hid_report_descriptor_fuzz PRIVATE tellwick_os_power)
  target_link_options(hid_report_descriptor_fuzz PRIVATE -fsanitize=fuzzer)
  set_target_properties(hid_report_descriptor_fuzz PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endif()
