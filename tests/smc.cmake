# The fan and Intel sensor controllers over the Linux controller, each
# executable run whole (test discovery included) under umockdev-run with its
# machine's device tree standing in for /sys.
find_program(UMOCKDEV_RUN umockdev-run REQUIRED)

function(tellwick_smc_machine_test name fixture)
  add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/smc/${name}.cc)
  target_link_libraries(${name} PRIVATE tellwick_smc tellwick_os_smc tellwick_protocol
    tellwick_test_support GTest::gmock GTest::gtest_main)
  set(_emulator ${UMOCKDEV_RUN} --device ${CMAKE_SOURCE_DIR}/tests/fixtures/${fixture} --)
  if(TELLWICK_SANITIZE)
    # umockdev's preload library comes before the sanitizer runtime.
    list(PREPEND _emulator env ASAN_OPTIONS=verify_asan_link_order=0)
  endif()
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    CROSSCOMPILING_EMULATOR "${_emulator}")
  target_compile_definitions(${name} PRIVATE TELLWICK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(${name} tellwick_resources)
  gtest_discover_tests(${name} PROPERTIES LABELS integration DISCOVERY_TIMEOUT 60)
endfunction()

tellwick_smc_machine_test(macbook_pro_test macbook-pro.umockdev)
tellwick_smc_machine_test(desktop_hwmon_test desktop-hwmon.umockdev)
