# The records' keyed form and the shared data model store.
target_sources(tellwick_protocol PRIVATE
  record_coding.cc
  battery_list_coding.cc
)
