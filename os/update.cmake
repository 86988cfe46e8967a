# What the client side of the installation needs from the system: HTTPS
# requests (libcurl), the desktop's opener (xdg-open).
pkg_check_modules(LIBCURL REQUIRED IMPORTED_TARGET libcurl)

add_library(tellwick_os_http STATIC ${CMAKE_CURRENT_LIST_DIR}/http_client_curl.cc)
target_link_libraries(tellwick_os_http PUBLIC tellwick_os PRIVATE PkgConfig::LIBCURL)

add_library(tellwick_os_desktop STATIC ${CMAKE_CURRENT_LIST_DIR}/desktop_linux.cc)
target_link_libraries(tellwick_os_desktop PUBLIC tellwick_os)
