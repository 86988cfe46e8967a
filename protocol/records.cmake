find_package(nlohmann_json REQUIRED)

# The monitoring records' catalogue and the JSON side of their keyed form.
target_sources(tellwick_protocol PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/json_value.cc
  ${CMAKE_CURRENT_LIST_DIR}/sensors.cc
)
target_link_libraries(tellwick_protocol
  PUBLIC tellwick_os_resources
  PRIVATE nlohmann_json::nlohmann_json)

tellwick_unit_test(records_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/records_test.cc ${CMAKE_CURRENT_LIST_DIR}/sensors_test.cc
  LIBS tellwick_protocol)
