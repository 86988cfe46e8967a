#ifndef TELLWICK_TESTS_SUPPORT_HELPER_FIXTURE_H_
#define TELLWICK_TESTS_SUPPORT_HELPER_FIXTURE_H_

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/bus/session_bus.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

using namespace std::chrono_literals;

// Each test gets its own bus, its own store directory and a client of its
// own on that bus; the helper under test is the built executable.
class HelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus_.address().empty()) << "dbus-daemon did not start";
    ASSERT_FALSE(scratch_.path().empty());
    configHome_ = scratch_.string() + "/config";
    // The in-process client and store see what the helper sees.
    configVariable_.emplace("XDG_CONFIG_HOME", configHome_);
    auto connection = os::connectSessionBus();
    ASSERT_TRUE(connection) << connection.error();
    client_ = std::move(*connection);
    coder_ = os::newLinuxPropertyListCoder();
    defaults_ = os::newLinuxUserDefaults(*coder_);
  }

  os::NotificationCenter& center() { return client_->notificationCenter(); }

  std::vector<std::string> helperEnvironment() const {
    return {"DBUS_SESSION_BUS_ADDRESS=" + bus_.address(), "XDG_CONFIG_HOME=" + configHome_,
            "HOME=" + scratch_.string(), std::string("PATH=") + TELLWICK_BIN_DIR + ":/usr/bin:/bin",
            "LANG=C.UTF-8"};
  }

  // The helper, optionally inside the simulated MacBook Pro's device tree.
  std::unique_ptr<ChildProcess> spawnHelper(bool onMacBook = false,
                                            std::vector<std::string> environment = {}) {
    if (environment.empty()) environment = helperEnvironment();
    std::vector<std::string> argv;
    if (onMacBook) {
      argv = {"/usr/bin/umockdev-run", "--device",
              std::string(TELLWICK_FIXTURES_DIR) + "/smc/macbook-pro.umockdev", "--"};
    }
    argv.push_back(std::string(TELLWICK_BIN_DIR) + "/tellwick");
    return std::make_unique<ChildProcess>(argv, environment);
  }

  // Starts the helper and waits for its "HelperStarted".
  std::unique_ptr<ChildProcess> startHelper(bool onMacBook = false,
                                            std::vector<std::string> environment = {}) {
    int started = 0;
    center().addObserver(&started, "HelperStarted", std::nullopt,
                         [&](const os::Notification&) { ++started; });
    client_->flush();
    auto helper = spawnHelper(onMacBook, std::move(environment));
    bool up = client_->runUntil([&] { return started > 0; }, 15s);
    center().removeObserver(&started, "HelperStarted");
    EXPECT_TRUE(up) << "no HelperStarted; stderr: " << helper->drainStderr(100ms);
    return helper;
  }

  // Counts notifications by name from now on, whoever posts them.
  void watch(const std::string& name) {
    center().addObserver(this, name, std::nullopt,
                         [this](const os::Notification& n) { ++seen_[n.name]; });
    client_->flush();
  }
  int seen(const std::string& name) { return seen_[name]; }
  bool waitFor(const std::string& name, int count, std::chrono::milliseconds timeout = 15s) {
    return client_->runUntil([&] { return seen_[name] >= count; }, timeout);
  }
  // Lets whatever is in flight arrive.
  void settle(std::chrono::milliseconds time = 300ms) {
    client_->runUntil([] { return false; }, time);
  }
  void post(const std::string& name) {
    center().post(name, std::nullopt);
    client_->flush();
  }

  HelperDataModel store() { return HelperDataModel(*defaults_, *coder_); }

  PrivateBus bus_;
  ScratchDirectory scratch_;
  std::string configHome_;
  std::optional<ScopedEnvironmentVariable> configVariable_;
  std::unique_ptr<os::SessionBus> client_;
  std::unique_ptr<os::PropertyListCoder> coder_;
  std::unique_ptr<os::UserDefaults> defaults_;
  std::map<std::string, int> seen_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_HELPER_FIXTURE_H_
