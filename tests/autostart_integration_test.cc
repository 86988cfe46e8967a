// The systemd user manager's unit-file calls against python-dbusmock's
// systemd template on a private bus: what the auto-start controller does with
// them is tested over the fake.

#include <chrono>

#include <gmock/gmock.h>

#include "os/bus/bus_names.h"
#include "os/desktop/unit_files.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// The systemd template with the unit-file calls it lacks, keeping states in
// a dictionary that SetUnitFileState fills.
TEST(SystemdManagerTest, UnitFileCallsChangeTheStateAndReload) {
  PrivateBus bus;
  ASSERT_FALSE(bus.address().empty());
  auto names = os::newLinuxBusNames();
  auto manager = os::newLinuxUnitFileManager();
  ASSERT_TRUE(names && manager) << names.error() << manager.error();
  auto call = [&](const char* interface, std::vector<std::string> arguments) {
    std::vector<std::string> argv = {"/usr/bin/busctl", "--address=" + bus.address(), "call",
                                     "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                                     std::string("org.freedesktop.") + interface};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess child(argv, {"PATH=/usr/bin:/bin"});
    auto status = child.wait(30s);
    std::string out = child.drainStdout(100ms);
    return status == 0 ? out : "exit " + std::to_string(status.value_or(-1)) + ": " + out + child.drainStderr(100ms);
  };
  auto addMethod = [&](const char* name, const char* in, const char* out, const std::string& code) {
    EXPECT_EQ(call("DBus.Mock", {"AddMethod", "sssss", "org.freedesktop.systemd1.Manager", name, in, out, code}), "");
  };
  auto setState = [&](const char* state) {
    EXPECT_EQ(call("systemd1.Manager", {"SetUnitFileState", "ss", "tellwick.service", state}), "");
  };
  const std::vector<std::string> unit = {"tellwick.service"};
  // No manager on the bus yet: every call fails.
  EXPECT_THAT((*manager)->unitFileState(unit[0]).error(), HasSubstr("tellwick.service"));

  ChildProcess mock({"/usr/bin/python3", "-m", "dbusmock", "--session", "-t", "systemd"},
                    {"PATH=/usr/bin:/bin", "DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
  auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!(*names)->nameHasOwner("org.freedesktop.systemd1") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  ASSERT_TRUE((*names)->nameHasOwner("org.freedesktop.systemd1")) << mock.drainStderr(100ms);
  const std::string states = "states = getattr(self, 'unit_states', {})\n";
  const std::string notFound =
      "raise dbus.exceptions.DBusException('No such file or directory', name='org.freedesktop.DBus.Error.FileNotFound')";
  addMethod("SetUnitFileState", "ss", "", "self.unit_states = getattr(self, 'unit_states', {})\n"
                                          "self.unit_states[args[0]] = args[1]");
  addMethod("GetUnitFileState", "s", "s", states + "if args[0] not in states: " + notFound + "\nret = states[args[0]]");
  addMethod("EnableUnitFiles", "asbb", "ba(sss)", states + "for u in args[0]:\n  if u not in states: " + notFound + "\n"
            "  if states[u] == 'masked': raise dbus.exceptions.DBusException('Unit file is masked', "
            "name='org.freedesktop.systemd1.UnitMasked')\n  states[u] = 'enabled'\n"
            "ret = (False, [('symlink', '/u/default.target.wants/' + u, '/u/' + u) for u in args[0]])");
  addMethod("DisableUnitFiles", "asb", "a(sss)", states + "for u in args[0]:\n"
            "  if states.get(u) == 'enabled': states[u] = 'disabled'\nret = []");
  addMethod("Reload", "", "", "self.reloads = getattr(self, 'reloads', 0) + 1");
  addMethod("Reloads", "", "u", "ret = getattr(self, 'reloads', 0)");

  EXPECT_EQ((*manager)->unitFileState(unit[0]).value(), std::nullopt) << "no such unit yet";
  setState("masked");
  EXPECT_FALSE((*manager)->enableUnitFiles(unit).ok()) << "refused by the manager";
  EXPECT_EQ((*manager)->unitFileState(unit[0]).value(), "masked");
  setState("disabled");
  EXPECT_EQ((*manager)->enableUnitFiles(unit).error(), "");
  EXPECT_EQ((*manager)->unitFileState(unit[0]).value(), "enabled");
  EXPECT_EQ((*manager)->disableUnitFiles(unit).error(), "");
  EXPECT_EQ((*manager)->unitFileState(unit[0]).value(), "disabled");
  EXPECT_EQ((*manager)->reload().error(), "");
  EXPECT_EQ(call("systemd1.Manager", {"Reloads"}), "u 1\n");
}

}  // namespace
}  // namespace tellwick::testing
