#ifndef TELLWICK_BENCH_SIMULATED_LAPTOP_HELPER_H_
#define TELLWICK_BENCH_SIMULATED_LAPTOP_HELPER_H_

#include <string>
#include <vector>

#include "bench/served_helper.h"
#include "tests/support/mock_bluez.h"

namespace tellwick::testing {

// The helper inside the simulated MacBook Pro (TELLWICK_FIXTURES_DIR's
// umockdev tree), with a mock BlueZ (earbuds with their advertisement, a
// keyboard, a mouse) as its system bus.
struct SimulatedLaptopHelper : ServedHelper {
  MockBluez bluez{"full"};

  SimulatedLaptopHelper() : ServedHelper("tellwick-test") {
    if (!bluez.ready()) {
      error = "the mock BlueZ did not start";
      return;
    }
    std::vector<std::string> environment = storeAndPath();
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address());
    environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + bluez.address());
    start({"/usr/bin/umockdev-run", "--device",
           std::string(TELLWICK_FIXTURES_DIR) + "/smc/macbook-pro.umockdev", "--",
           std::string(TELLWICK_BIN_DIR) + "/tellwick"},
          environment);
  }
};

}  // namespace tellwick::testing

#endif  // TELLWICK_BENCH_SIMULATED_LAPTOP_HELPER_H_
