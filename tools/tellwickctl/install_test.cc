#include "tools/tellwickctl/install.h"

#include <gmock/gmock.h>

#include <algorithm>

#include "tests/fakes/fake_tellwick_world.h"

namespace tellwick::ctl {
namespace {

using namespace std::chrono_literals;

constexpr const char* kLocation = "/p/share/tellwick";
const InstallOptions kJson{.json = true};

// Each parsed command line as "json help timeout via autostart", or "usage".
constexpr const char* kVia[] = {"xdg", "systemd"};
constexpr const char* kAutostart[] = {"on", "off", "status"};

std::string described(const ParsedInstallOptions& parsed) {
  if (!parsed.options) return parsed.error.empty() ? "usage without a reason" : "usage";
  const InstallOptions& o = *parsed.options;
  return std::to_string(o.json) + " " + std::to_string(o.help) + " " + std::to_string(o.timeout.count()) + " " +
         kVia[static_cast<int>(o.via)] + " " + kAutostart[static_cast<int>(o.autostart)];
}

TEST(InstallOptionsTest, EachCommandTakesItsOwnOptions) {
  const struct {
    const char* command;
    std::vector<std::string> arguments;
    const char* parsed;
  } cases[] = {
      {"status", {"--json"}, "1 0 10000 xdg status"}, {"launch", {"--timeout", "2.5"}, "0 0 2500 xdg status"},
      {"launch", {"--timeout=1"}, "0 0 1000 xdg status"}, {"autostart", {"on"}, "0 0 10000 xdg on"},
      {"autostart", {"off", "--via", "systemd"}, "0 0 10000 systemd off"}, {"website", {}, "0 0 10000 xdg status"},
      {"autostart", {"--via=xdg", "status"}, "0 0 10000 xdg status"}, {"autostart", {"--help"}, "0 1 10000 xdg status"},
      {"website", {"--json"}, "usage"}, {"launch", {"--timeout"}, "usage"}, {"launch", {"--timeout", "0"}, "usage"},
      {"status", {"--timeout", "1"}, "usage"}, {"autostart", {}, "usage"}, {"autostart", {"on", "off"}, "usage"},
      {"autostart", {"on", "--via", "launchd"}, "usage"}, {"autostart", {"on", "--via"}, "usage"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(described(parseInstallOptions(c.command, c.arguments)), c.parsed)
        << c.command << " " << ::testing::PrintToString(c.arguments);
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
    auto got = runAutostart(options, controller, why);
    EXPECT_EQ(got.out + got.err + std::to_string(got.status), s.out + s.err + std::to_string(s.status));
  }
}

}  // namespace
}  // namespace tellwick::ctl
