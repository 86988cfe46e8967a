#ifndef TELLWICK_TESTS_SUPPORT_PRIVATE_BUS_H_
#define TELLWICK_TESTS_SUPPORT_PRIVATE_BUS_H_

#include <signal.h>

#include <chrono>
#include <optional>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/scoped_environment.h"

namespace tellwick::testing {

// A dbus-daemon of our own, started with the session configuration, and
// this process's variable (DBUS_SESSION_BUS_ADDRESS, or
// DBUS_SYSTEM_BUS_ADDRESS for a stand-in system bus) pointed at it for the
// life of the object (restored afterwards). address() is empty when the
// daemon did not start.
class PrivateBus {
 public:
  explicit PrivateBus(const char* variable = "DBUS_SESSION_BUS_ADDRESS")
      : daemon_({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"},
                {"PATH=/usr/bin:/bin"}),
        address_(daemon_.readLine(std::chrono::seconds(10)).value_or("")),
        variable_(variable, address_) {}

  const std::string& address() const { return address_; }
  void stop() {
    daemon_.signal(SIGTERM);
    daemon_.wait(std::chrono::seconds(5));
  }

 private:
  ChildProcess daemon_;
  std::string address_;
  ScopedEnvironmentVariable variable_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_PRIVATE_BUS_H_
