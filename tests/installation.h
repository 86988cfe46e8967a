#ifndef TELLWICK_TESTS_INSTALLATION_H_
#define TELLWICK_TESTS_INSTALLATION_H_

// An installation of the built tree into a scratch prefix, and a private
// session bus that can start the helper from that prefix's service folder.

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {

// cmake --install of the build tree at buildDir into a fresh prefix.
class ScratchInstallation {
 public:
  explicit ScratchInstallation(const std::string& buildDir) : prefix_("tellwick-prefix") {
    ChildProcess install({"/usr/bin/cmake", "--install", buildDir, "--prefix", prefix_.string()},
                         {"PATH=/usr/bin:/bin"});
    auto status = install.wait(std::chrono::seconds(120));
    log_ = install.drainStdout(std::chrono::milliseconds(100)) + install.drainStderr(std::chrono::milliseconds(100));
    ok_ = status == 0;
  }

  bool ok() const { return ok_; }
  const std::string& log() const { return log_; }
  std::string path(const std::string& relative) const { return prefix_.string() + "/" + relative; }

 private:
  ScratchDirectory prefix_;
  bool ok_ = false;
  std::string log_;
};

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A dbus-daemon whose configuration lists serviceFolder, started with exactly
// environment (which the programs it starts inherit).
class ActivatingBus {
 public:
  ActivatingBus(const std::string& serviceFolder, const std::vector<std::string>& environment)
      : config_(scratch_.writeFile("session.conf", configuration(serviceFolder)).string()),
        daemon_({"/usr/bin/dbus-daemon", "--config-file=" + config_, "--nofork", "--print-address=1"},
                environment) {
    address_ = daemon_.readLine(std::chrono::seconds(10)).value_or("");
  }
  const std::string& address() const { return address_; }

 private:
  static std::string configuration(const std::string& serviceFolder) {
    return "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
           "<servicedir>" + serviceFolder + "</servicedir>\n"
           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
  }

  ScratchDirectory scratch_{"tellwick-bus"};
  std::string config_;
  ChildProcess daemon_;
  std::string address_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_INSTALLATION_H_
