# The update fetch against a local HTTPS server with a certificate of its own.
tellwick_integration_test(update_fetch_test
  SOURCES update_fetch_test.cc
  LIBS tellwick_protocol_install tellwick_os_files tellwick_os_store)
