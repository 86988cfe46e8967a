// Both auto-start controllers against the real thing: autostart entries
// written to a real folder and checked by desktop-file-validate, and the
// systemd user manager's unit-file calls against python-dbusmock's systemd
// template on a private bus.

#include <chrono>

#include <gmock/gmock.h>

#include "os/bus_names.h"
#include "os/file_system.h"
#include "os/unit_files.h"
#include "platform/login_item_auto_start_controller.h"
#include "platform/main_app_auto_start_controller.h"
#include "tests/fakes/fake_bus_names.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// What argv printed, or its exit status and every word it said.
std::string run(const std::vector<std::string>& argv) {
  ChildProcess child(argv, {"PATH=/usr/bin:/bin"});
  auto status = child.wait(30s);
  std::string out = child.drainStdout(100ms);
  return status == 0 ? out : "exit " + std::to_string(status.value_or(-1)) + ": " + out + child.drainStderr(100ms);
}

TEST(LoginItemIntegrationTest, WrittenEntriesPassDesktopFileValidate) {
  ScratchDirectory scratch("tellwick-autostart");
  auto files = os::newLinuxFileSystem();
  FakeBusNames names;
  FakeNotificationCenter center;
  const std::string folder = scratch.string() + "/config/autostart";
  const std::string written = folder + "/com.quorvane.helper.starter.desktop";
  for (const std::string program : {"/usr/bin/tellwick", "/opt/my apps/a\"b$c`d\\e/100%/ünï"}) {
    LoginItemAutoStartController controller("com.quorvane.helper.starter", std::nullopt, {folder, {}},
                                            program, *files, names, center);
    for (bool enabled : {true, false}) {
      controller.setEnabled(enabled);
      EXPECT_EQ(controller.isEnabled(), enabled) << program;
      EXPECT_EQ(run({"/usr/bin/desktop-file-validate", written}), "") << program;
    }
  }
  EXPECT_THAT(files->listFolder(folder).value(), ElementsAre("com.quorvane.helper.starter.desktop"))
      << "no temporary file left behind";
}

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
    return run(argv);
  };
  auto addMethod = [&](const char* name, const char* in, const char* out, const std::string& code) {
    EXPECT_EQ(call("DBus.Mock", {"AddMethod", "sssss", "org.freedesktop.systemd1.Manager", name, in, out, code}), "");
  };
  auto setState = [&](const char* state) {
    EXPECT_EQ(call("systemd1.Manager", {"SetUnitFileState", "ss", "tellwick.service", state}), "");
  };
  // The starter: an XDG entry in a folder that does not exist, so disabled.
  auto files = os::newLinuxFileSystem();
  FakeBusNames starterNames;
  FakeNotificationCenter center;
  LoginItemAutoStartController loginItem("com.quorvane.helper.starter", std::nullopt, {"/nonexistent/a", {}},
                                         "/usr/bin/tellwick", *files, starterNames, center);
  FakeDesktop desktop;
  MainAppAutoStartController controller("tellwick.service", **manager, loginItem, desktop, "/u/units");

  // No manager on the bus yet: nothing found, nothing changed.
  controller.setEnabled(true);
  EXPECT_EQ(controller.status(), AutoStartStatus::notFound);
  EXPECT_THAT((*manager)->unitFileState("tellwick.service").error(), ::testing::HasSubstr("tellwick.service"));

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

  EXPECT_EQ(controller.status(), AutoStartStatus::notFound) << "no such unit yet";
  setState("masked");
  EXPECT_EQ(controller.status(), AutoStartStatus::requiresApproval);
  controller.enable();  // refused by the manager, swallowed, no reload
  EXPECT_EQ(controller.status(), AutoStartStatus::requiresApproval);
  setState("disabled");
  controller.setEnabled(true);
  EXPECT_TRUE(controller.isEnabled());
  controller.setEnabled(false);
  EXPECT_EQ(controller.status(), AutoStartStatus::notRegistered);
  EXPECT_EQ(call("systemd1.Manager", {"Reloads"}), "u 2\n") << "one reload per change that went through";
}

}  // namespace
}  // namespace tellwick::testing
