// The installed tree: its layout, the files that name the installed helper,
// and the helper started by bus activation with a bare PATH answering a
// traffic request through the tool folder of its own prefix.

#include <sys/stat.h>

#include <chrono>
#include <string_view>

#include <gmock/gmock.h>

#include "os/bus_names.h"
#include "os/desktop.h"
#include "os/file_system.h"
#include "os/http_client.h"
#include "os/property_list_coder.h"
#include "os/session_bus.h"
#include "os/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "protocol/tellwick.h"
#include "tests/installation.h"
#include "tests/support/scoped_environment.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(installed().ok()) << installed().log(); }
  // One installation for the whole suite: installing takes a while.
  static const ScratchInstallation& installed() {
    static const ScratchInstallation installation(TELLWICK_BUILD_DIR);
    return installation;
  }
};

TEST_F(InstallTest, LaysOutProgramsToolsAndDataFiles) {
  for (std::string_view path :
       {"bin/tellwick", "bin/tellwickctl", "libexec/tellwick/nettop", "libexec/tellwick/system_profiler",
        "share/tellwick/Info.plist", "share/tellwick/Temperatures.json", "share/tellwick/Localizable/protocol.strings",
        "share/tellwick/com.quorvane.helper.starter.desktop", "share/dbus-1/services/com.quorvane.helper.service",
        "lib/systemd/user/tellwick.service", "share/man/man1/tellwick.1", "share/man/man1/tellwickctl.1",
        "share/bash-completion/completions/tellwickctl"}) {
    struct stat info;
    ASSERT_EQ(::stat(installed().path(std::string(path)).c_str(), &info), 0) << path;
    EXPECT_GT(info.st_size, 0) << path;
    // Programs, and only programs, live under bin and libexec.
    EXPECT_EQ((info.st_mode & S_IXUSR) != 0, path.starts_with("bin/") || path.starts_with("libexec/")) << path;
  }
  // The stand-ins must not shadow anything on the user's PATH.
  for (const char* hidden : {"bin/nettop", "bin/system_profiler"}) {
    struct stat info;
    EXPECT_NE(::stat(installed().path(hidden).c_str(), &info), 0) << hidden;
  }
}

TEST_F(InstallTest, StartersNameTheHelperOfTheInstalledPrefix) {
  const std::string helper = installed().path("bin/tellwick");
  const struct {
    const char* file;
    std::string line;
  } expectations[] = {
      {"share/dbus-1/services/com.quorvane.helper.service", "Name=com.quorvane.helper\n"},
      {"share/dbus-1/services/com.quorvane.helper.service", "Exec=" + helper + "\n"},
      {"share/dbus-1/services/com.quorvane.helper.service", "SystemdService=tellwick.service\n"},
      {"lib/systemd/user/tellwick.service", "Type=dbus\n"},
      {"lib/systemd/user/tellwick.service", "BusName=com.quorvane.helper\n"},
      {"lib/systemd/user/tellwick.service", "ExecStart=" + helper + "\n"},
      {"share/tellwick/com.quorvane.helper.starter.desktop", "Exec=" + helper + "\n"},
  };
  for (const auto& e : expectations) {
    EXPECT_THAT(readText(installed().path(e.file)), HasSubstr(e.line)) << e.file;
  }
}

TEST_F(InstallTest, AutostartTemplatePassesDesktopFileValidate) {
  ChildProcess validate({"/usr/bin/desktop-file-validate",
                         installed().path("share/tellwick/com.quorvane.helper.starter.desktop")},
                        {"PATH=/usr/bin:/bin"});
  EXPECT_EQ(validate.wait(30s), 0) << validate.drainStdout() << validate.drainStderr();
}

TEST_F(InstallTest, BusActivatedHelperWithABarePathAnswersTraffic) {
  ScratchDirectory home("tellwick-home");
  const std::string configHome = home.string() + "/config";
  ActivatingBus bus(installed().path("share/dbus-1/services"),
                    {"PATH=/usr/bin:/bin", "HOME=" + home.string(), "XDG_CONFIG_HOME=" + configHome});
  ASSERT_FALSE(bus.address().empty());
  ScopedEnvironmentVariable busAddress("DBUS_SESSION_BUS_ADDRESS", bus.address());
  ScopedEnvironmentVariable configVariable("XDG_CONFIG_HOME", configHome);
  auto client = os::connectSessionBus();
  ASSERT_TRUE(client) << client.error();
  auto names = os::newLinuxBusNames();
  ASSERT_TRUE(names) << names.error();
  auto files = os::newLinuxFileSystem();
  auto desktop = os::newLinuxDesktop();
  auto http = os::newLinuxHttpClient();
  auto coder = os::newLinuxPropertyListCoder();
  auto& center = (*client)->notificationCenter();
  TellwickContext context{*files, **names, center, *desktop, *http, *coder, installed().path("share/tellwick"),
                          "", ""};
  EXPECT_EQ(Tellwick::installedVersion(context), TELLWICK_VERSION);
  EXPECT_FALSE(Tellwick::isRunning(context));

  auto asked = std::chrono::steady_clock::now();
  ASSERT_EQ(Tellwick::launchAndWait(context, **client, 20s).error(), "");
  auto latency = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked);
  RecordProperty("activation_ms", std::to_string(latency.count()));
  EXPECT_TRUE(Tellwick::isRunning(context));

  std::map<std::string, int> seen;
  for (const char* name : {"ResponseTraffic", "HelperStopped"}) {
    center.addObserver(&seen, name, std::nullopt, [&](const os::Notification& n) { ++seen[n.name]; });
  }
  center.post("RequestTraffic", std::nullopt);
  (*client)->flush();
  ASSERT_TRUE((*client)->runUntil([&] { return seen["ResponseTraffic"] > 0; }, 30s));
  // A sample is stored only when nettop ran: the bare PATH alone has none.
  auto defaults = os::newLinuxUserDefaults(*coder);
  EXPECT_TRUE(HelperDataModel(*defaults, *coder).traffic().has_value());

  Tellwick::terminate(context);
  (*client)->flush();
  EXPECT_TRUE((*client)->runUntil([&] { return seen["HelperStopped"] > 0; }, 10s));
}

TEST_F(InstallTest, StartingAServiceTheBusDoesNotKnowSaysSo) {
  ActivatingBus bus(installed().path("share/dbus-1/services"), {"PATH=/usr/bin:/bin"});
  ScopedEnvironmentVariable busAddress("DBUS_SESSION_BUS_ADDRESS", bus.address());
  auto names = os::newLinuxBusNames();
  ASSERT_TRUE(names) << names.error();
  auto started = (*names)->startService("com.quorvane.nothing");
  EXPECT_THAT(started.error(), HasSubstr("no service file for com.quorvane.nothing"));
  EXPECT_FALSE((*names)->nameHasOwner("com.quorvane.helper"));
}

}  // namespace
}  // namespace tellwick::testing
