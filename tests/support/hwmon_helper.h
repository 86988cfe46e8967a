#ifndef TELLWICK_TESTS_SUPPORT_HWMON_HELPER_H_
#define TELLWICK_TESTS_SUPPORT_HWMON_HELPER_H_

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "os/session_bus.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

// The built helper (TELLWICK_BIN_DIR) serving on a private session bus with
// a scratch store, in whatever device tree this process sees: a umockdev
// test bed or umockdev-run hand their preload on to it. environment() is
// what another program needs to see the same tree, bus and store. error is
// empty once "HelperStarted" came; the helper is stopped when the object goes.
struct HwmonHelper {
  PrivateBus bus;
  ScratchDirectory scratch{"hwmon-helper"};
  std::unique_ptr<ChildProcess> helper;
  std::unique_ptr<os::SessionBus> client;
  std::string error;

  HwmonHelper() {
    using namespace std::chrono_literals;
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
        std::vector<std::string>{std::string(TELLWICK_BIN_DIR) + "/tellwick"}, environment());
    if (!client->runUntil([&] { return started; }, 20s)) {
      error = "the helper did not start: " + helper->drainStderr(100ms);
    }
    client->notificationCenter().removeObserver(this, "HelperStarted");
  }
  ~HwmonHelper() {
    using namespace std::chrono_literals;
    if (client) {
      client->notificationCenter().post("TerminateHelper", std::nullopt);
      client->flush();
    }
    if (helper) helper->wait(10s);
  }
  HwmonHelper(const HwmonHelper&) = delete;
  HwmonHelper& operator=(const HwmonHelper&) = delete;

  std::vector<std::string> environment() const {
    std::vector<std::string> out;
    for (auto& variable : ChildProcess::inheritedEnvironment()) {
      if (!variable.starts_with("XDG_CONFIG_HOME=") && !variable.starts_with("HOME=") &&
          !variable.starts_with("PATH=")) {
        out.push_back(std::move(variable));
      }
    }
    out.push_back("XDG_CONFIG_HOME=" + scratch.string());
    out.push_back("HOME=" + scratch.string());
    out.push_back(std::string("PATH=") + TELLWICK_BIN_DIR + ":/usr/bin:/bin");
    return out;
  }
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_HWMON_HELPER_H_
