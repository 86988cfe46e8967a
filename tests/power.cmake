# The Linux power sources and registry over laptop device trees, each test in
# a umockdev test bed of its own; hence the whole executable (discovery
# included) runs under umockdev-wrapper.
find_program(UMOCKDEV_WRAPPER umockdev-wrapper REQUIRED)
pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)

add_executable(power_linux_test ${CMAKE_CURRENT_LIST_DIR}/power_linux_test.cc)
target_link_libraries(power_linux_test PRIVATE tellwick_os_power PkgConfig::UMOCKDEV
  tellwick_test_support GTest::gmock GTest::gtest_main)
set(_power_emulator ${UMOCKDEV_WRAPPER})
if(TELLWICK_SANITIZE)
  # umockdev's preload library comes before the sanitizer runtime.
  list(PREPEND _power_emulator env ASAN_OPTIONS=verify_asan_link_order=0)
endif()
set_target_properties(power_linux_test PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
  CROSSCOMPILING_EMULATOR "${_power_emulator}")
target_compile_definitions(power_linux_test PRIVATE
  TELLWICK_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
gtest_discover_tests(power_linux_test PROPERTIES LABELS integration DISCOVERY_TIMEOUT 60)

# tellwickctl battery and peripherals, run as processes on the same trees.
find_package(nlohmann_json REQUIRED)
tellwick_integration_test(power_ctl_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/power_ctl_test.cc
  LIBS nlohmann_json::nlohmann_json)
add_dependencies(power_ctl_test tellwickctl)
