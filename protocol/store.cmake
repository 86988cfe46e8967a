# The records' keyed form and the shared data model store.
target_sources(tellwick_protocol PRIVATE
  record_coding.cc
  battery_list_coding.cc
)
target_link_libraries(tellwick_protocol PUBLIC tellwick_os_store)

tellwick_unit_test(protocol_store_test
  SOURCES record_coding_test.cc helper_data_model_test.cc
  LIBS tellwick_protocol)
