#include "tools/tellwickctl/install.h"

#include <gmock/gmock.h>

#include <algorithm>

#include "tests/fakes/fake_tellwick_world.h"

namespace tellwick::ctl {
namespace {

using namespace std::chrono_literals;

constexpr const char* kLocation = "/p/share/tellwick";
const InstallOptions kJson{.json = true};

TEST(InstallOptionsTest, EachCommandTakesItsOwnOptions) {
  using Via = InstallOptions::Via;
  using Autostart = InstallOptions::Autostart;
  const struct {
    const char* command;
    std::vector<std::string> arguments;
    bool ok;
    bool json = false;
    std::chrono::milliseconds timeout = 10s;
    Via via = Via::xdg;
    Autostart autostart = Autostart::status;
  } cases[] = {
      {"status", {}, true}, {"status", {"--json"}, true, true}, {"update", {"--json"}, true, true},
      {"launch", {"--timeout", "2.5"}, true, false, 2500ms}, {"launch", {"--timeout=1"}, true, false, 1s},
      {"autostart", {"on"}, true, false, 10s, Via::xdg, Autostart::on},
      {"autostart", {"off", "--via", "systemd"}, true, false, 10s, Via::systemd, Autostart::off},
      {"autostart", {"--via=xdg", "status"}, true, false, 10s, Via::xdg, Autostart::status},
      {"website", {}, true}, {"autostart", {"--help"}, true},
      {"website", {"--json"}, false}, {"launch", {"--json"}, false}, {"launch", {"--timeout"}, false},
      {"launch", {"--timeout", "0"}, false}, {"status", {"--timeout", "1"}, false}, {"autostart", {}, false},
      {"autostart", {"on", "off"}, false}, {"autostart", {"on", "--via", "launchd"}, false},
      {"autostart", {"on", "--via"}, false}, {"update", {"extra"}, false},
  };
  for (const auto& c : cases) {
    auto parsed = parseInstallOptions(c.command, c.arguments);
    std::string what = std::string(c.command) + " " + ::testing::PrintToString(c.arguments);
    ASSERT_EQ(parsed.options.has_value(), c.ok) << what << ": " << parsed.error;
    if (!c.ok) {
      EXPECT_FALSE(parsed.error.empty()) << what;
      continue;
    }
    EXPECT_EQ(parsed.options->json, c.json) << what;
    EXPECT_EQ(parsed.options->help, std::ranges::count(c.arguments, "--help") > 0) << what;
    EXPECT_EQ(parsed.options->timeout, c.timeout) << what;
    EXPECT_EQ(parsed.options->via, c.via) << what;
    EXPECT_EQ(parsed.options->autostart, c.autostart) << what;
  }
}

class InstallCommandsTest : public testing::FakeTellwickWorld {
 protected:
  InstallCommandsTest() : FakeTellwickWorld(kLocation, "https://127.0.0.1:9") {}
  void install(const std::string& version) {
    files_.addFile(std::string(kLocation) + "/Info.plist",
                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleShortVersionString</key>"
                   "<string>" + version + "</string></dict></plist>");
  }
};

TEST_F(InstallCommandsTest, StatusReportsInstalledRunningAndVersion) {
  EXPECT_EQ(runStatus(kJson, context_).out,
            R"({"installed":false,"running":false,"installedVersion":null})" "\n");
  files_.addFolder(kLocation);
  EXPECT_EQ(runStatus(kJson, context_).out,
            R"({"installed":true,"running":false,"installedVersion":null})" "\n");
  install("0.1.0");
  names_.owned().insert("com.quorvane.helper");
  EXPECT_EQ(runStatus(kJson, context_).out,
            R"({"installed":true,"running":true,"installedVersion":"0.1.0"})" "\n");
  auto human = runStatus({}, context_);
  EXPECT_EQ(human.out, "installed: yes (/p/share/tellwick)\nrunning: yes\nversion: 0.1.0\n");
  EXPECT_EQ(human.status, kExitDone);
}

TEST_F(InstallCommandsTest, UpdateReportsTheCheckOrOneLineWithTheOriginAndReason) {
  install("1.9");
  http_.respond(200, R"({"version":"1.10"})");
  auto asJson = runUpdate(kJson, context_);
  EXPECT_EQ(asJson.out, R"({"isUpdateAvailable":true,"serverVersion":"1.10"})" "\n");
  EXPECT_EQ(runUpdate({}, context_).out, "installed version: 1.9\nserver version: 1.10\nupdate available: yes\n");

  http_.fail("Failed to connect to 127.0.0.1 port 9: Connection refused");
  auto failed = runUpdate(kJson, context_);
  EXPECT_EQ(failed.status, kExitNoManifest);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err,
            "tellwickctl: cannot fetch the update manifest from https://127.0.0.1:9: "
            "Failed to connect to 127.0.0.1 port 9: Connection refused\n");
}

// A controller that takes changes only while willing.
class SwitchController final : public IAutoStartController {
 public:
  bool enabled = false;
  bool willing = true;
  bool isEnabled() override { return enabled; }
  void retireStarter() override {}
  void setEnabled(bool flag) override {
    if (willing) enabled = flag;
  }
  void enable() override { setEnabled(true); }
  void disable() override { setEnabled(false); }
};

TEST_F(InstallCommandsTest, AutostartPrintsTheStateAndFailsWhenAChangeDidNotTakeEffect) {
  using Autostart = InstallOptions::Autostart;
  SwitchController controller;
  auto why = [] { return std::string("the folder is read-only"); };
  const struct {
    Autostart action;
    bool willing;
    std::string out, err;
    int status;
  } steps[] = {
      {Autostart::status, true, "disabled\n", "", kExitDone},
      {Autostart::on, true, "enabled\n", "", kExitDone},
      {Autostart::status, true, "enabled\n", "", kExitDone},
      {Autostart::off, false, "enabled\n", "tellwickctl: autostart is still enabled: the folder is read-only\n",
       kExitNotChanged},
      {Autostart::off, true, "disabled\n", "", kExitDone},
  };
  for (const auto& s : steps) {
    controller.willing = s.willing;
    InstallOptions options;
    options.autostart = s.action;
    auto outcome = runAutostart(options, controller, why);
    EXPECT_EQ(outcome.out, s.out);
    EXPECT_EQ(outcome.err, s.err);
    EXPECT_EQ(outcome.status, s.status);
  }
}

}  // namespace
}  // namespace tellwick::ctl
