# The traffic sampler with real child processes and the Linux nettop.
tellwick_integration_test(traffic_integration_test
  SOURCES traffic_integration_test.cc
  LIBS tellwick_traffic tellwick_os_process)
add_dependencies(traffic_integration_test nettop)
