# The Linux HID sensor event system against an arm64 machine's hwmon tree.
# The whole executable (discovery included) runs under umockdev-run, which
# stands the fixture in for /sys; hence the emulator, set before the tests
# are discovered.
find_program(UMOCKDEV_RUN umockdev-run REQUIRED)

add_executable(hid_linux_test ${CMAKE_CURRENT_LIST_DIR}/hid_linux_test.cc)
target_link_libraries(hid_linux_test PRIVATE tellwick_hidsensors tellwick_os_hid
  tellwick_test_support GTest::gmock GTest::gtest_main)
set(_hid_emulator ${UMOCKDEV_RUN} --device ${CMAKE_SOURCE_DIR}/tests/fixtures/hid/arm64-hwmon.umockdev --)
if(TELLWICK_SANITIZE)
  # umockdev's preload library comes before the sanitizer runtime.
  list(PREPEND _hid_emulator env ASAN_OPTIONS=verify_asan_link_order=0)
endif()
set_target_properties(hid_linux_test PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
  CROSSCOMPILING_EMULATOR "${_hid_emulator}")
target_compile_definitions(hid_linux_test PRIVATE
  TELLWICK_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
gtest_discover_tests(hid_linux_test PROPERTIES LABELS integration DISCOVERY_TIMEOUT 60)
