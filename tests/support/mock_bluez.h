#ifndef TELLWICK_TESTS_SUPPORT_MOCK_BLUEZ_H_
#define TELLWICK_TESTS_SUPPORT_MOCK_BLUEZ_H_

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scoped_environment.h"

namespace tellwick::testing {

// A private bus that this process sees as the system bus, with
// python3-dbusmock's bluez5 template on it filled in by
// tests/fixtures/services/mock_bluez.py: a scenario when BlueZ starts ("none": no
// BlueZ), then the fixture's commands through script(). Everything started
// here stops when the object goes (and if this process dies, as its standard
// input closes).
class MockBluez {
 public:
  explicit MockBluez(const std::string& scenario = "empty") : bus_("DBUS_SYSTEM_BUS_ADDRESS") { start(scenario); }
  ~MockBluez() { stop(); }
  MockBluez(const MockBluez&) = delete;
  MockBluez& operator=(const MockBluez&) = delete;

  bool ready() const { return ready_; }
  const std::string& address() const { return bus_.address(); }

  void start(const std::string& scenario) {
    stop();
    ready_ = !bus_.address().empty() && scenario == "none";
    if (bus_.address().empty() || ready_) return;
    bluez_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", fixture(), "serve", "--stdin-eof", "--scenario", scenario},
        environmentSnapshot());
    while (auto line = bluez_->readLine(std::chrono::seconds(30))) {
      if ((ready_ = *line == "READY")) break;
    }
  }
  // BlueZ goes away; the bus stays.
  void stop() {
    if (!bluez_) return;
    bluez_->closeStdin();
    bluez_->wait(std::chrono::seconds(10));
    bluez_.reset();
  }

  // Runs the fixture with arguments (words as a shell splits them): its
  // standard output, or nullopt when it failed.
  std::optional<std::string> script(const std::string& arguments) {
    ChildProcess run({"/bin/sh", "-c", "/usr/bin/python3 " + fixture() + " " + arguments}, environmentSnapshot());
    std::string out = run.drainStdout(std::chrono::seconds(30));
    if (run.wait(std::chrono::seconds(10)) != 0) return std::nullopt;
    return out;
  }

 private:
  static std::string fixture() { return std::string(TELLWICK_FIXTURES_DIR) + "/services/mock_bluez.py"; }

  PrivateBus bus_;
  std::unique_ptr<ChildProcess> bluez_;
  bool ready_ = false;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_MOCK_BLUEZ_H_
