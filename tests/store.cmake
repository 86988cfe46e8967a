# The shared store with real files, real processes and an independent reader.
tellwick_integration_test(store_integration_test
  SOURCES store/store_interop_test.cc store/store_concurrency_test.cc
  LIBS tellwick_protocol)
