# The property-list coder and the preferences domains built on it.
pkg_check_modules(LIBPLIST REQUIRED IMPORTED_TARGET libplist-2.0)

add_library(tellwick_os_store STATIC
  property_list_coder_libplist.cc
  user_defaults.cc
  user_defaults_linux.cc
)
target_link_libraries(tellwick_os_store PUBLIC tellwick_os PRIVATE PkgConfig::LIBPLIST)

tellwick_unit_test(os_store_test
  SOURCES property_list_coder_test.cc user_defaults_test.cc
  LIBS tellwick_os_store)
