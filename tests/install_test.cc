// An installation as a desktop session meets it: a per-user prefix whose
// path holds blanks, quotes, '%' and non-ASCII letters, and the system
// prefix through make install and make uninstall. systemd's own tools judge
// where the unit went and how it reads; the helper is then started from the
// installation by the bus itself and through (a stand-in for) the systemd
// user manager, and a broken installation must say why at once.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string_view>

#include <gmock/gmock.h>

#include "os/bus/session_bus.h"
#include "os/desktop/http_client.h"
#include "os/desktop/unit_files.h"
#include "os/files/file_system.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "protocol/tellwick.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::HasSubstr;

// argv's exit status, then everything it printed.
std::pair<int, std::string> run(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
  ChildProcess child(argv, environment);
  int status = child.wait(300s).value_or(-1);
  return {status, child.drainStdout(100ms) + child.drainStderr(100ms)};
}

// The user unit path of a session whose HOME is home.
std::vector<std::string> unitPaths(const std::string& home) {
  std::istringstream lines(run({"/usr/bin/systemd-analyze", "--user", "unit-paths"},
                               {"PATH=/usr/bin:/bin", "HOME=" + home}).second);
  std::vector<std::string> paths;
  for (std::string line; std::getline(lines, line);) paths.push_back(line);
  return paths;
}

// cmake --install of the build tree into HOME/.local, once per test process.
struct Installation {
  ScratchDirectory scratch{"tellwick-install"};
  std::string home = scratch.string() + "/home \"dq\" 'sq' %h $x ü";
  std::string prefix = home + "/.local";
  std::pair<int, std::string> install =
      run({"/usr/bin/cmake", "--install", TELLWICK_BUILD_DIR, "--prefix", prefix}, {"PATH=/usr/bin:/bin"});
  std::string path(std::string_view relative) const { return prefix + "/" + std::string(relative); }
  std::vector<std::string> environment() const {
    return {"PATH=/usr/bin:/bin", "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config"};
  }
};

const Installation& installed() {
  static const Installation installation;
  return installation;
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(installed().install.first, 0) << installed().install.second; }

  // The bus of a session with this installation, handing starts to systemd
  // or not.
  PrivateBus sessionBus(bool throughSystemd) const {
    return PrivateBus({.serviceFolders = {installed().path("share/dbus-1/services")},
                       .systemdManager = throughSystemd ? TELLWICK_FIXTURES_DIR "/systemd_user_manager.py" : "",
                       .environment = installed().environment()});
  }

  // launchAndWait on the bus this process points at; why not.
  std::string launch(std::chrono::milliseconds timeout) {
    auto client = os::connectSessionBus();
    if (!client) return client.error();
    TellwickContext context{*files_,  (*client)->names(), (*client)->notificationCenter(),  desktop_, *http_,
                            *coder_, installed().path("share/tellwick"), "", ""};
    if (Tellwick::installedVersion(context) != TELLWICK_VERSION) return "no version installed";
    return Tellwick::launchAndWait(context, **client, timeout).error();
  }

  std::unique_ptr<os::FileSystem> files_ = os::newLinuxFileSystem();
  FakeDesktop desktop_;
  std::unique_ptr<os::HttpClient> http_ = os::newLinuxHttpClient();
  std::unique_ptr<os::PropertyListCoder> coder_ = os::newLinuxPropertyListCoder();
};

TEST_F(InstallTest, APerUserPrefixPutsEachFileWhereItsReaderLooksAndEachNamesTheHelperInItsOwnFormat) {
  const std::string service = "share/dbus-1/services/" + std::string(kHelperBusName) + ".service";
  const std::string unit = "share/systemd/user/tellwick.service";
  const std::string starter = "share/tellwick/" + std::string(kHelperBusName) + ".starter.desktop";
  for (const std::string& path : std::vector<std::string>{"bin/tellwick", "bin/tellwickctl", "libexec/tellwick/nettop", "libexec/tellwick/system_profiler",
        "share/tellwick/Info.plist", "share/tellwick/Temperatures.json", "share/man/man1/tellwickctl.1.gz",
        "share/man/man1/tellwick.1.gz", "share/bash-completion/completions/tellwickctl", "share/doc/tellwick/copyright",
        service, unit, starter}) {
    struct stat info;
    ASSERT_EQ(::stat(installed().path(path).c_str(), &info), 0) << path;
    // Programs, and only programs, live under bin and libexec.
    EXPECT_EQ((info.st_mode & S_IXUSR) != 0, path.starts_with("bin/") || path.starts_with("libexec/")) << path;
  }
  // The stand-ins must not shadow anything on the user's PATH.
  EXPECT_FALSE(fs::exists(installed().path("bin/nettop")));
  EXPECT_THAT(unitPaths(installed().home), Contains(installed().path("share/systemd/user")));

  // systemd reads the unit as the helper's, manual page included.
  ScratchDirectory runtime("tellwick-runtime");
  auto verified = run({"/usr/bin/systemd-analyze", "--user", "verify", installed().path(unit)},
                      {"PATH=" + installed().path("bin") + ":/usr/bin:/bin", "HOME=" + installed().home,
                       "XDG_RUNTIME_DIR=" + runtime.string()});
  EXPECT_EQ(verified, std::make_pair(0, std::string())) << installed().path(unit);
  auto validated = run({"/usr/bin/desktop-file-validate", installed().path(starter)}, {"PATH=/usr/bin:/bin"});
  EXPECT_EQ(validated.first, 0) << validated.second;
}

// The bus's own Exec= and systemd's ExecStart= both start the installed
// helper, which finds its tools in the prefix with a bare PATH; autostart
// through systemd finds the unit too.
TEST_F(InstallTest, StartedByTheBusOrBySystemdTheInstalledHelperAnswers) {
  for (bool throughSystemd : {false, true}) {
    PrivateBus bus = sessionBus(throughSystemd);
    ASSERT_FALSE(bus.address().empty());
    ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", installed().home + "/.config");
    ASSERT_EQ(launch(20s), "") << (throughSystemd ? "through systemd" : "by the bus");
    auto client = os::connectSessionBus();
    ASSERT_TRUE(client) << client.error();
    auto& center = (*client)->notificationCenter();
    std::map<std::string, int> seen;
    for (const char* name : {"ResponseTraffic", "HelperStopped"}) {
      center.addObserver(&seen, name, std::nullopt, [&](const os::Notification& n) { ++seen[n.name]; });
    }
    center.post(std::string(HelperNotifications::requestTraffic), std::nullopt);
    (*client)->flush();
    ASSERT_TRUE((*client)->runUntil([&] { return seen["ResponseTraffic"] > 0; }, 30s));
    // A sample is stored only when nettop ran: the bare PATH alone has none.
    auto defaults = os::newLinuxUserDefaults(*coder_);
    EXPECT_TRUE(HelperDataModel(*defaults, *coder_).traffic().has_value());
    center.post(std::string(HelperNotifications::terminateHelper), std::nullopt);
    (*client)->flush();
    EXPECT_TRUE((*client)->runUntil([&] { return seen["HelperStopped"] > 0; }, 10s));
    if (!throughSystemd) continue;

    auto environment = installed().environment();
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address());
    const std::string link = installed().home + "/.config/systemd/user/default.target.wants/tellwick.service";
    for (std::string state : {"on", "off"}) {
      EXPECT_EQ(run({installed().path("bin/tellwickctl"), "autostart", state, "--via", "systemd"}, environment),
                std::make_pair(0, state == "on" ? std::string("enabled\n") : std::string("disabled\n")));
      EXPECT_EQ(fs::is_symlink(link), state == "on");
    }
  }
}

// What a broken installation says: the bus's reason, which comes long before
// the wait is over, except for a program that systemd fails to run, of which
// the bus is not told.
TEST_F(InstallTest, ABrokenInstallationSaysWhyAtOnce) {
  const std::string helper = installed().path("bin/tellwick");
  const std::string unit = installed().path("share/systemd/user/tellwick.service");
  const std::string userUnit = installed().home + "/.config/systemd/user/tellwick.service";
  const struct {
    const char* what;
    bool throughSystemd;
    std::function<void()> breakIt, mendIt;
    const char* says;
  } cases[] = {
      {"no helper", false, [&] { fs::rename(helper, helper + ".away"); }, [&] { fs::rename(helper + ".away", helper); },
       "Failed to execute program"},
      {"helper not executable", false, [&] { fs::permissions(helper, fs::perms(0644)); },
       [&] { fs::permissions(helper, fs::perms(0755)); }, "Permission denied"},
      {"no service file", false, [&] { fs::rename(installed().path("share/dbus-1/services"), installed().path("s")); },
       [&] { fs::rename(installed().path("s"), installed().path("share/dbus-1/services")); },
       "was not provided by any .service files"},
      {"unit masked", true,
       [&] {
         fs::create_directories(fs::path(userUnit).parent_path());
         fs::create_symlink("/dev/null", userUnit);
       },
       [&] { fs::remove(userUnit); }, "Unit tellwick.service is masked."},
      {"no unit", true, [&] { fs::rename(unit, unit + ".away"); }, [&] { fs::rename(unit + ".away", unit); },
       "Unit tellwick.service not found."},
      {"no helper for systemd", true, [&] { fs::rename(helper, helper + ".away"); },
       [&] { fs::rename(helper + ".away", helper); }, "did not announce that it started within 1 s"},
  };
  for (const auto& c : cases) {
    c.breakIt();
    {
      PrivateBus bus = sessionBus(c.throughSystemd);
      EXPECT_THAT(launch(std::string_view(c.says).starts_with("did not") ? 1s : 20s), HasSubstr(c.says)) << c.what;
    }
    c.mendIt();
  }
}

// The system prefix through the Makefile, into a DESTDIR that itself holds
// a blank and '%': the unit lands in the system's user unit folder, and make
// uninstall takes back every file it laid down.
TEST_F(InstallTest, MakeInstallAndUninstallForTheSystemPrefix) {
  if (std::string_view(TELLWICK_INSTALL_PREFIX) != "/usr/local") GTEST_SKIP() << "built for " TELLWICK_INSTALL_PREFIX;
  ScratchDirectory scratch("tellwick-destdir");
  const std::string destdir = scratch.string() + "/dest dir 100%";
  const std::vector<std::string> make = {"/usr/bin/make", "-s", "-C", TELLWICK_SOURCE_DIR, "BUILD=" TELLWICK_BUILD_DIR,
                                         "PREFIX=/usr/local", "DESTDIR=" + destdir};
  auto withTarget = [&](const char* target) {
    auto argv = make;
    argv.push_back(target);
    return run(argv, {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "HOME=" + scratch.string()});
  };
  auto installedByMake = withTarget("install");
  ASSERT_EQ(installedByMake.first, 0) << installedByMake.second;
  EXPECT_TRUE(fs::exists(destdir + "/usr/local/lib/systemd/user/tellwick.service"));
  EXPECT_THAT(unitPaths(scratch.string()), Contains("/usr/local/lib/systemd/user"));

  auto uninstalled = withTarget("uninstall");
  EXPECT_EQ(uninstalled.first, 0) << uninstalled.second;
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(destdir)) {
    if (!entry.is_directory() || entry.path().filename() == "tellwick") left.push_back(entry.path());
  }
  EXPECT_THAT(left, ::testing::IsEmpty());
}

}  // namespace
}  // namespace tellwick::testing
