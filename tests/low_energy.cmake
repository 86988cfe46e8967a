# The BlueZ central, alone and under the LE finder, on a private bus.
tellwick_integration_test(bluez_central_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/bluez_central_test.cc
    ${CMAKE_CURRENT_LIST_DIR}/bluetooth_central_contract_test.cc
  LIBS tellwick_low_energy tellwick_os_bluetooth tellwick_os_clock tellwick_os_store)
