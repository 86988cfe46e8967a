#ifndef TELLWICK_TESTS_SUPPORT_ACTIVATING_BUS_H_
#define TELLWICK_TESTS_SUPPORT_ACTIVATING_BUS_H_

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

// A dbus-daemon that can start services from serviceFolder, with exactly the
// environment given, which what it starts inherits.
class ActivatingBus {
 public:
  ActivatingBus(const std::string& serviceFolder, const std::vector<std::string>& environment)
      : config_(scratch_.writeFile("session.conf",
            "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
            "<servicedir>" + serviceFolder + "</servicedir>\n"
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n").string()),
        daemon_({"/usr/bin/dbus-daemon", "--config-file=" + config_, "--nofork", "--print-address=1"},
                environment),
        address_(daemon_.readLine(std::chrono::seconds(10)).value_or("")) {}
  const std::string& address() const { return address_; }

 private:
  ScratchDirectory scratch_{"tellwick-bus"};
  std::string config_;
  ChildProcess daemon_;
  std::string address_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_ACTIVATING_BUS_H_
