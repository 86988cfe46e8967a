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

class MainAppTest : public LoginItemTest {
 protected:
  MainAppAutoStartController unit() {
    return MainAppAutoStartController("tellwick.service", manager_, starter_, desktop_, "/home/u/.config/systemd/user");
  }
  testing::FakeUnitFileManager manager_;
  testing::FakeDesktop desktop_;
  LoginItemAutoStartController starter_ = controller();
};

TEST_F(MainAppTest, StatusFollowsTheUnitFileState) {
  using S = AutoStartStatus;
  const std::pair<std::optional<std::string>, AutoStartStatus> cases[] = {
      {"enabled", S::enabled},          {"enabled-runtime", S::enabled}, {"static", S::notRegistered},
      {"masked", S::requiresApproval}, {"masked-runtime", S::requiresApproval}, {std::nullopt, S::notFound}};
  for (const auto& [state, status] : cases) {
    manager_.states.clear();
    if (state) manager_.states["tellwick.service"] = *state;
    EXPECT_EQ(unit().status(), status) << state.value_or("(none)");
    EXPECT_EQ(unit().isEnabled(), status == S::enabled);
  }
  manager_.absent = true;
  EXPECT_EQ(unit().status(), S::notFound);
}

TEST_F(MainAppTest, SetEnabledChangesTheUnitUnlessMaskedWhenItOpensTheUnitFolder) {
  manager_.states["tellwick.service"] = "disabled";
  unit().setEnabled(true);
  EXPECT_TRUE(unit().isEnabled());
  unit().setEnabled(false);
  EXPECT_THAT(manager_.calls, ElementsAre("enable tellwick.service", "reload", "disable tellwick.service", "reload"));
  EXPECT_THAT(desktop_.opened(), IsEmpty());

  manager_.states["tellwick.service"] = "masked";
  unit().setEnabled(true);
  EXPECT_THAT(desktop_.opened(), ElementsAre("/home/u/.config/systemd/user"));
  EXPECT_EQ(manager_.calls.size(), 4u);
  unit().enable();  // asks regardless, and is refused: no reload
  EXPECT_THAT(manager_.calls.back(), "enable tellwick.service");
}

// The unit goes first, the starter's entry only once the unit is enabled.
TEST_F(MainAppTest, RetireStarterMovesAnEnabledStarterToTheUnit) {
  manager_.states["tellwick.service"] = "masked";
  unit().retireStarter();
  EXPECT_THAT(manager_.calls, IsEmpty()) << "no starter enabled";
  starter_.enable();
  unit().retireStarter();
  EXPECT_TRUE(starter_.isEnabled()) << "a unit that cannot be enabled leaves the starter";
  manager_.states["tellwick.service"] = "disabled";
  unit().retireStarter();
  EXPECT_TRUE(unit().isEnabled());
  EXPECT_FALSE(starter_.isEnabled());
}

}  // namespace
}  // namespace tellwick
