# The client side of the installation: installed, running, version, launch,
# stop, web page and the update check, over the os/ seams.
find_package(nlohmann_json REQUIRED)

set(TELLWICK_UPDATE_ORIGIN "https://updates.tellwick.example" CACHE STRING
  "Built-in origin of the update manifest (TELLWICK_UPDATE_ORIGIN overrides it at run time)")
set(TELLWICK_WEBSITE "https://www.tellwick.example/helper" CACHE STRING "The helper's web page")

add_library(tellwick_protocol_install STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tellwick.cc
  ${CMAKE_CURRENT_LIST_DIR}/version_order.cc
)
target_compile_definitions(tellwick_protocol_install PRIVATE
  TELLWICK_INSTALL_LOCATION="${CMAKE_INSTALL_FULL_DATADIR}/tellwick"
  TELLWICK_UPDATE_ORIGIN="${TELLWICK_UPDATE_ORIGIN}"
  TELLWICK_WEBSITE="${TELLWICK_WEBSITE}")
target_link_libraries(tellwick_protocol_install
  PUBLIC tellwick_os tellwick_os_http
  PRIVATE nlohmann_json::nlohmann_json)

tellwick_unit_test(tellwick_install_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/version_order_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/tellwick_test.cc
  LIBS tellwick_protocol_install tellwick_os_store)
