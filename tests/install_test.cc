// The installed tree: its layout, the files that name the installed helper,
// and the helper started by bus activation with a bare PATH answering a
// traffic request through the tool folder of its own prefix.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string_view>

#include <gmock/gmock.h>

#include "os/bus/bus_names.h"
#include "os/bus/session_bus.h"
#include "os/desktop/desktop.h"
#include "os/desktop/http_client.h"
#include "os/files/file_system.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "protocol/tellwick.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/support/activating_bus.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// cmake --install of the build tree into a fresh prefix, once for the suite:
// installing takes a while.
struct Installation {
  ScratchDirectory prefix{"tellwick-prefix"};
  ChildProcess install{{"/usr/bin/cmake", "--install", TELLWICK_BUILD_DIR, "--prefix", prefix.string()},
                       {"PATH=/usr/bin:/bin"}};
  bool ok = install.wait(120s) == 0;
  std::string log = install.drainStdout(100ms) + install.drainStderr(100ms);
  std::string path(std::string_view relative) const { return prefix.string() + "/" + std::string(relative); }
};

const Installation& installed() {
  static const Installation installation;
  return installation;
}

std::string readText(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(installed().ok) << installed().log; }
};

TEST_F(InstallTest, LaysOutProgramsToolsAndDataFilesAndStartersNameTheInstalledHelper) {
  for (std::string_view path :
       {"bin/tellwick", "bin/tellwickctl", "libexec/tellwick/nettop", "libexec/tellwick/system_profiler",
        "share/tellwick/Info.plist", "share/tellwick/Temperatures.json", "share/tellwick/Localizable/protocol.strings",
        "share/tellwick/com.quorvane.helper.starter.desktop", "share/dbus-1/services/com.quorvane.helper.service",
        "lib/systemd/user/tellwick.service", "share/man/man1/tellwick.1", "share/man/man1/tellwickctl.1",
        "share/bash-completion/completions/tellwickctl"}) {
    struct stat info;
    ASSERT_EQ(::stat(installed().path(path).c_str(), &info), 0) << path;
    // Programs, and only programs, live under bin and libexec.
    EXPECT_EQ((info.st_mode & S_IXUSR) != 0, path.starts_with("bin/") || path.starts_with("libexec/")) << path;
  }
  // The stand-ins must not shadow anything on the user's PATH.
  EXPECT_EQ(::access(installed().path("bin/nettop").c_str(), F_OK), -1);
  const std::string helper = installed().path("bin/tellwick") + "\n", exec = "Exec=" + helper;
  const std::string starter = installed().path("share/tellwick/com.quorvane.helper.starter.desktop");
  EXPECT_THAT(readText(installed().path("share/dbus-1/services/com.quorvane.helper.service")), HasSubstr(exec));
  EXPECT_THAT(readText(installed().path("lib/systemd/user/tellwick.service")), HasSubstr("ExecStart=" + helper));
  EXPECT_THAT(readText(starter), HasSubstr(exec));
  ChildProcess validate({"/usr/bin/desktop-file-validate", starter}, {"PATH=/usr/bin:/bin"});
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
  testing::FakeDesktop desktop;
  auto http = os::newLinuxHttpClient();
  auto coder = os::newLinuxPropertyListCoder();
  auto& center = (*client)->notificationCenter();
  TellwickContext context{*files, **names, center, desktop, *http, *coder, installed().path("share/tellwick"),
                          "", ""};
  EXPECT_EQ(Tellwick::installedVersion(context), TELLWICK_VERSION);
  EXPECT_THAT((*names)->startService("com.quorvane.nothing").error(),
              HasSubstr("no service file for com.quorvane.nothing"));
  ASSERT_EQ(Tellwick::launchAndWait(context, **client, 20s).error(), "");
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

}  // namespace
}  // namespace tellwick::testing
