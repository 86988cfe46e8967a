# The fan and sensor requests through the Linux controller on the MacBook Pro
# device tree, beside plain reads of the same sysfs files. The executable
# re-runs itself under umockdev-run, so `make bench` needs nothing special.
add_executable(smc_bench smc_bench.cc)
target_link_libraries(smc_bench PRIVATE tellwick_smc tellwick_os_smc tellwick_test_support
  benchmark::benchmark)
target_compile_definitions(smc_bench PRIVATE
  TELLWICK_SMC_FIXTURE="${CMAKE_SOURCE_DIR}/tests/fixtures/macbook-pro.umockdev")
add_dependencies(smc_bench tellwick_resources)
