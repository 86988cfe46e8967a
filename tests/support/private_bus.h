#ifndef TELLWICK_TESTS_SUPPORT_PRIVATE_BUS_H_
#define TELLWICK_TESTS_SUPPORT_PRIVATE_BUS_H_

#include <signal.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

struct BusOptions {
  // This process's variable that names the bus while it runs.
  const char* variable = "DBUS_SESSION_BUS_ADDRESS";
  // Where the bus finds the services it starts on demand, if anywhere.
  std::string serviceFolder = {};
  // When set, the bus hands the start of a service whose file names a
  // SystemdService to systemd, as the bus of a systemd session does, and this
  // stand-in for the user manager (tests/fixtures/services/systemd_user_manager.py) serves it.
  std::string systemdManager = {};
  // The whole environment of the daemon and the manager, which what they start inherits.
  std::vector<std::string> environment = {"PATH=/usr/bin:/bin"};
};

// A dbus-daemon of our own, with a session bus's rules. address() is empty
// when it, or the manager asked for, did not start.
class PrivateBus {
 public:
  explicit PrivateBus(const BusOptions& options = {})
      : daemon_(arguments(options), options.environment),
        address_(daemon_.readLine(std::chrono::seconds(10)).value_or("")) {
    if (!options.systemdManager.empty() && !address_.empty()) {
      auto environment = options.environment;
      environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + address_);
      manager_.emplace(std::vector<std::string>{"/usr/bin/python3", options.systemdManager}, environment);
      if (manager_->readLine(std::chrono::seconds(10)) != "READY") address_.clear();
    }
    variable_.emplace(options.variable, address_);
  }

  // A plain bus that this process's variable names (DBUS_SYSTEM_BUS_ADDRESS
  // for a stand-in system bus, say).
  explicit PrivateBus(const char* variable) : PrivateBus(BusOptions{.variable = variable}) {}

  const std::string& address() const { return address_; }
  void stop() {
    daemon_.signal(SIGTERM);
    daemon_.wait(std::chrono::seconds(5));
  }

 private:
  std::vector<std::string> arguments(const BusOptions& options) const {
    std::string folder = options.serviceFolder.empty() ? "" : "<servicedir>" + options.serviceFolder + "</servicedir>";
    std::string config = "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>" +
                         folder + "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    std::vector<std::string> argv = {"/usr/bin/dbus-daemon", "--nofork", "--print-address=1",
                                     "--config-file=" + scratch_.writeFile("bus.conf", config).string()};
    if (!options.systemdManager.empty()) argv.push_back("--systemd-activation");
    return argv;
  }

  ScratchDirectory scratch_{"tellwick-bus"};
  ChildProcess daemon_;
  std::string address_;
  std::optional<ChildProcess> manager_;
  std::optional<ScopedEnvironmentVariable> variable_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_PRIVATE_BUS_H_
