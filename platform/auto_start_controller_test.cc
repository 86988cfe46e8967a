#include <gmock/gmock.h>

#include "platform/login_item_auto_start_controller.h"
#include "platform/main_app_auto_start_controller.h"
#include "tests/fakes/fake_bus_names.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_unit_file_manager.h"
#include "tests/fakes/memory_file_system.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kStarter = "com.quorvane.helper.starter";
constexpr const char* kUser = "/home/u/.config/autostart";
constexpr const char* kSystem = "/etc/xdg/autostart";

std::string entry(const std::string& extra = "") {
  return "[Desktop Entry]\nType=Application\nName=T\nExec=/usr/bin/tellwick\n" + extra;
}

class LoginItemTest : public ::testing::Test {
 protected:
  LoginItemAutoStartController controller(const std::string& program = "/usr/bin/tellwick") {
    return LoginItemAutoStartController(kStarter, "com.quorvane.helper", {kUser, {kSystem, "/opt/xdg/autostart"}},
                                        program, files_, names_, center_);
  }

  testing::MemoryFileSystem files_;
  testing::FakeBusNames names_;
  testing::FakeNotificationCenter center_;
};

TEST_F(LoginItemTest, TheFirstMatchingEntryThatParsesDecides) {
  const std::string u = "/home/u/.config/autostart/", e = "/etc/xdg/autostart/", o = "/opt/xdg/autostart/";
  const std::string name = "com.quorvane.helper.starter", hidden = entry("Hidden=true\n");
  const struct {
    const char* what;
    std::map<std::string, std::string> files;
    bool enabled;
    std::set<std::string> unreadable = {};
  } cases[] = {
      {"none", {}, false},
      {"user entry", {{u + name + ".desktop", entry()}}, true},
      {"other entries only", {{u + "other.desktop", entry()}}, false},
      {"not a .desktop file", {{u + name, entry()}}, false},
      {"hidden user entry hides the system one",
       {{u + name + ".desktop", hidden}, {e + name + ".desktop", entry()}}, false},
      {"switched off", {{e + name + ".desktop", entry("X-GNOME-Autostart-enabled=false\n")}}, false},
      {"switched on, shown", {{e + name + ".desktop", entry("Hidden=false\nX-GNOME-Autostart-enabled=true\n")}}, true},
      {"booleans are lower case", {{e + name + ".desktop", entry("Hidden=True\n")}}, true},
      {"malformed entry skipped for the next",
       {{u + "a-" + name + ".desktop", "garbage\n"}, {u + "b-" + name + ".desktop", entry()}}, true},
      {"malformed user entry still hides the system one",
       {{u + name + ".desktop", "[Desktop Entry\n"}, {e + name + ".desktop", entry()}}, false},
      // An unreadable folder or entry costs only itself.
      {"user folder unreadable", {{u + name + ".desktop", hidden}, {e + name + ".desktop", entry()}}, true, {kUser}},
      {"system entry unreadable", {{e + name + ".desktop", entry()}, {o + "z-" + name + ".desktop", entry()}}, true,
       {e + name + ".desktop"}},
  };
  for (const auto& c : cases) {
    files_.clear();
    for (const auto& [path, text] : c.files) files_.addFile(path, text);
    files_.unreadable() = c.unreadable;
    EXPECT_EQ(controller().isEnabled(), c.enabled) << c.what;
  }
}

TEST_F(LoginItemTest, SetEnabledWritesTheUserEntryThatOverridesTheSystems) {
  files_.addFile("/etc/xdg/autostart/com.quorvane.helper.starter.desktop", entry());
  auto c = controller();
  c.disable();
  EXPECT_FALSE(c.isEnabled());
  const std::string written = "/home/u/.config/autostart/com.quorvane.helper.starter.desktop";
  EXPECT_THAT(files_.files().at(written), HasSubstr("Hidden=true\n"));
  c.enable();
  EXPECT_TRUE(c.isEnabled());
  EXPECT_THAT(files_.files().at(written), HasSubstr("Exec=/usr/bin/tellwick\n"));
}

TEST_F(LoginItemTest, SetEnabledWritesNothingItCannotWriteWell) {
  controller("relative/tellwick").enable();
  LoginItemAutoStartController(kStarter, std::nullopt, {"", {kSystem}}, "/usr/bin/tellwick", files_, names_, center_)
      .enable();
  LoginItemAutoStartController("../x", std::nullopt, {kUser, {}}, "/usr/bin/tellwick", files_, names_, center_).enable();
  EXPECT_EQ(files_.writes(), 0);
  files_.addFile(kUser, "a file where the folder should be");
  controller().enable();
  EXPECT_FALSE(controller().isEnabled());
}

TEST_F(LoginItemTest, RetireStarterAsksARunningStarterToQuit) {
  controller().retireStarter();
  names_.owned().insert(kStarter);
  controller().retireStarter();
  ASSERT_EQ(center_.posted().size(), 1u);
  EXPECT_EQ(center_.posted()[0].name + " " + center_.posted()[0].object.value_or(""), "killme com.quorvane.helper");
}

// A login item whose state the test sets and whose calls it sees.
class RecordingController final : public IAutoStartController {
 public:
  bool enabled = false;
  std::vector<std::string> calls;
  bool isEnabled() override { return enabled; }
  void retireStarter() override { calls.push_back("retire"); }
  void setEnabled(bool flag) override { calls.push_back(flag ? "on" : "off"); enabled = flag; }
  void enable() override { setEnabled(true); }
  void disable() override { setEnabled(false); }
};

class MainAppTest : public ::testing::Test {
 protected:
  MainAppAutoStartController controller() {
    return MainAppAutoStartController("tellwick.service", manager_, loginItem_, desktop_, "/home/u/.config/systemd/user");
  }
  testing::FakeUnitFileManager manager_;
  RecordingController loginItem_;
  testing::FakeDesktop desktop_;
};

TEST_F(MainAppTest, StatusFollowsTheUnitFileState) {
  const struct {
    std::optional<std::string> state;
    AutoStartStatus status;
  } cases[] = {
      {"enabled", AutoStartStatus::enabled},       {"enabled-runtime", AutoStartStatus::enabled},
      {"static", AutoStartStatus::notRegistered},   {"masked", AutoStartStatus::requiresApproval},
      {"masked-runtime", AutoStartStatus::requiresApproval}, {std::nullopt, AutoStartStatus::notFound},
  };
  for (const auto& c : cases) {
    manager_.states.clear();
    if (c.state) manager_.states["tellwick.service"] = *c.state;
    EXPECT_EQ(controller().status(), c.status) << c.state.value_or("(none)");
    EXPECT_EQ(controller().isEnabled(), c.status == AutoStartStatus::enabled);
  }
  manager_.absent = true;
  EXPECT_EQ(controller().status(), AutoStartStatus::notFound);
}

TEST_F(MainAppTest, SetEnabledChangesTheUnitUnlessMaskedWhenItOpensTheUnitFolder) {
  manager_.states["tellwick.service"] = "disabled";
  controller().setEnabled(true);
  EXPECT_TRUE(controller().isEnabled());
  controller().setEnabled(false);
  EXPECT_EQ(controller().status(), AutoStartStatus::notRegistered);
  EXPECT_THAT(manager_.calls, ElementsAre("enable tellwick.service", "reload", "disable tellwick.service", "reload"));
  EXPECT_THAT(desktop_.opened(), IsEmpty());

  manager_.states["tellwick.service"] = "masked";
  controller().setEnabled(true);
  EXPECT_THAT(desktop_.opened(), ElementsAre("/home/u/.config/systemd/user"));
  EXPECT_EQ(manager_.calls.size(), 4u);
  controller().enable();  // asks regardless, and is refused: no reload
  EXPECT_THAT(manager_.calls.back(), "enable tellwick.service");
  EXPECT_EQ(controller().status(), AutoStartStatus::requiresApproval);
}

TEST_F(MainAppTest, RetireStarterMovesAnEnabledStarterToTheUnit) {
  manager_.states["tellwick.service"] = "disabled";
  controller().retireStarter();
  EXPECT_THAT(loginItem_.calls, IsEmpty()) << "no starter enabled";
  EXPECT_FALSE(controller().isEnabled());

  loginItem_.enabled = true;
  controller().retireStarter();
  EXPECT_THAT(loginItem_.calls, ElementsAre("off"));
  EXPECT_THAT(manager_.calls, ElementsAre("enable tellwick.service", "reload"));
  EXPECT_TRUE(controller().isEnabled());

  // A unit that cannot be enabled leaves the starter as the way to start.
  loginItem_.enabled = true;
  manager_.states["tellwick.service"] = "masked";
  controller().retireStarter();
  EXPECT_TRUE(loginItem_.enabled);
}

}  // namespace
}  // namespace tellwick
