# The internal battery and the HID finder through libudev on the laptop
# device tree, beside a shell loop and plain reads of the same sysfs files.
add_executable(power_bench power_bench.cc)
target_link_libraries(power_bench PRIVATE tellwick_battery_power benchmark::benchmark)
target_compile_definitions(power_bench PRIVATE
  TELLWICK_POWER_FIXTURE="${CMAKE_SOURCE_DIR}/tests/fixtures/power/laptop-energy.umockdev")
