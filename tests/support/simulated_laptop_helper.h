#ifndef TELLWICK_TESTS_SUPPORT_SIMULATED_LAPTOP_HELPER_H_
#define TELLWICK_TESTS_SUPPORT_SIMULATED_LAPTOP_HELPER_H_

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "os/session_bus.h"
#include "tests/support/child_process.h"
#include "tests/support/mock_bluez.h"
#include "tests/support/private_bus.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

// The built helper inside the simulated MacBook Pro (TELLWICK_FIXTURES_DIR's
// umockdev tree) on a private session bus, with a mock BlueZ (earbuds, their
// case, a keyboard, a mouse) as its system bus and a scratch store; client is
// this process's own connection. error is empty once "HelperStarted" came;
// the helper is asked to stop when the object goes.
struct SimulatedLaptopHelper {
  PrivateBus bus;
  MockBluez bluez{"full"};
  ScratchDirectory scratch;
  std::unique_ptr<ChildProcess> helper;
  std::unique_ptr<os::SessionBus> client;
  std::string error;

  SimulatedLaptopHelper() {
    using namespace std::chrono_literals;
    if (!bluez.ready()) {
      error = "the mock BlueZ did not start";
      return;
    }
    auto connection = os::connectSessionBus();
    if (!connection) {
      error = connection.error();
      return;
    }
    client = std::move(connection).value();
    bool started = false;
    client->notificationCenter().addObserver(this, "HelperStarted", std::nullopt,
                                             [&](const os::Notification&) { started = true; });
    helper = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/umockdev-run", "--device",
                                 std::string(TELLWICK_FIXTURES_DIR) + "/macbook-pro.umockdev", "--",
                                 std::string(TELLWICK_BIN_DIR) + "/tellwick"},
        std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=" + bus.address(),
                                 "DBUS_SYSTEM_BUS_ADDRESS=" + bluez.address(),
                                 "XDG_CONFIG_HOME=" + scratch.string(), "HOME=" + scratch.string(),
                                 std::string("PATH=") + TELLWICK_BIN_DIR + ":/usr/bin:/bin"});
    if (!client->runUntil([&] { return started; }, 20s)) error = "the helper did not start";
    client->notificationCenter().removeObserver(this, "HelperStarted");
  }
  ~SimulatedLaptopHelper() {
    using namespace std::chrono_literals;
    if (client) {
      client->notificationCenter().post("TerminateHelper", std::nullopt);
      client->flush();
    }
    if (helper) helper->wait(10s);
  }
  SimulatedLaptopHelper(const SimulatedLaptopHelper&) = delete;
  SimulatedLaptopHelper& operator=(const SimulatedLaptopHelper&) = delete;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_SIMULATED_LAPTOP_HELPER_H_
