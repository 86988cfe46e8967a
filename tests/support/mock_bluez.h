#ifndef TELLWICK_TESTS_SUPPORT_MOCK_BLUEZ_H_
#define TELLWICK_TESTS_SUPPORT_MOCK_BLUEZ_H_

#include <chrono>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/scoped_environment.h"

namespace tellwick::testing {

// tests/fixtures/mock_bluez.py on its own private bus; stops when destroyed
// (its standard input closes, so it also stops if this process dies).
class MockBluez {
 public:
  explicit MockBluez(const std::string& scenario)
      : process_({std::string(TELLWICK_FIXTURES_DIR) + "/mock_bluez.py", "--own-bus", "--stdin-eof",
                  "--scenario", scenario},
                 environmentSnapshot()) {
    constexpr std::string_view kAddress = "DBUS_SYSTEM_BUS_ADDRESS=";
    while (auto line = process_.readLine(std::chrono::seconds(30))) {
      if (line->starts_with(kAddress)) address_ = line->substr(kAddress.size());
      if (*line == "READY") {
        ready_ = true;
        break;
      }
    }
  }
  ~MockBluez() {
    process_.closeStdin();
    process_.wait(std::chrono::seconds(10));
  }
  bool ready() const { return ready_; }
  const std::string& address() const { return address_; }

 private:
  ChildProcess process_;
  bool ready_ = false;
  std::string address_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_MOCK_BLUEZ_H_
