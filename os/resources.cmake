find_package(nlohmann_json REQUIRED)

# The resource bundle: catalogue files and string tables shipped in
# share/tellwick, found beside the running executable.
add_library(tellwick_os_resources STATIC
  ${CMAKE_CURRENT_LIST_DIR}/resource_bundle.cc
  ${CMAKE_CURRENT_LIST_DIR}/resource_bundle_linux.cc
)
target_link_libraries(tellwick_os_resources PUBLIC tellwick_os PRIVATE nlohmann_json::nlohmann_json)
# Whatever links the bundle, tests included, finds it populated in the build tree.
add_dependencies(tellwick_os_resources tellwick_resources)

tellwick_unit_test(resource_bundle_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/resource_bundle_test.cc
  LIBS tellwick_os_resources)
