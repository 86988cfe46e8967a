# The sensor request on an arm64 machine: through the Linux event system on
# the hwmon device tree, and the controller's own cost over the fake with many
# services. The executable re-runs itself under umockdev-run.
add_executable(hidsensors_bench hidsensors_bench.cc)
target_link_libraries(hidsensors_bench PRIVATE tellwick_hidsensors tellwick_os_hid
  tellwick_test_support benchmark::benchmark)
target_compile_definitions(hidsensors_bench PRIVATE
  TELLWICK_HID_FIXTURE="${CMAKE_SOURCE_DIR}/tests/fixtures/hid/arm64-hwmon.umockdev"
  TELLWICK_HID_CONFIG="${CMAKE_SOURCE_DIR}/tests/fixtures/hid/empty-sensors.conf")
