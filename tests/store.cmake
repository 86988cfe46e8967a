# The shared store with real files, real processes and an independent reader.
tellwick_integration_test(store_integration_test
  SOURCES store/store_interop_test.cc store/store_concurrency_test.cc
  LIBS tellwick_protocol)

# Every category's controller writing through the real store into a scratch
# domain file.
tellwick_unit_test(controllers_store_test
  SOURCES store/controllers_store_test.cc
  LIBS tellwick_smc tellwick_hidsensors tellwick_traffic tellwick_bluetooth tellwick_os_hid)
