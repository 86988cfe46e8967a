#ifndef TELLWICK_BENCH_SERVED_HELPER_H_
#define TELLWICK_BENCH_SERVED_HELPER_H_

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "os/bus/session_bus.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

// The built helper (TELLWICK_BIN_DIR) serving on a private session bus with
// a scratch store; client is this process's own connection. error is empty
// once "HelperStarted" came; the helper is asked to stop when the object goes.
struct ServedHelper {
  PrivateBus bus;
  ScratchDirectory scratch;
  std::unique_ptr<ChildProcess> helper;
  std::unique_ptr<os::SessionBus> client;
  std::string error;

  explicit ServedHelper(const std::string& scratchName) : scratch(scratchName) {}
  ~ServedHelper() {
    using namespace std::chrono_literals;
    if (client) {
      client->notificationCenter().post("TerminateHelper", std::nullopt);
      client->flush();
    }
    if (helper) helper->wait(10s);
  }
  ServedHelper(const ServedHelper&) = delete;
  ServedHelper& operator=(const ServedHelper&) = delete;

  // The store and the programs the helper is to use.
  std::vector<std::string> storeAndPath() const {
    return {"XDG_CONFIG_HOME=" + scratch.string(), "HOME=" + scratch.string(),
            std::string("PATH=") + TELLWICK_BIN_DIR + ":/usr/bin:/bin"};
  }

  // Runs argv (ending in the helper) with exactly environment, and waits
  // for it to announce itself.
  void start(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
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
    client->flush();
    helper = std::make_unique<ChildProcess>(argv, environment);
    if (!client->runUntil([&] { return started; }, 20s)) {
      error = "the helper did not start: " + helper->drainStderr(100ms);
    }
    client->notificationCenter().removeObserver(this, "HelperStarted");
  }
};

}  // namespace tellwick::testing

#endif  // TELLWICK_BENCH_SERVED_HELPER_H_
