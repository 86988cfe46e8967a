// An installation as a desktop session meets it: a per-user prefix whose
// path holds blanks, quotes, '%' and non-ASCII letters, and the system
// prefix through make install and make uninstall. systemd's own tools judge
// where the unit went and how it reads; the helper is then started from the
// installation by the bus itself and through (a stand-in for) the systemd
// user manager, and a broken installation must say why at once.

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string_view>

#include <gmock/gmock.h>

#include "os/bus/session_bus.h"
#include "os/desktop/http_client.h"
#include "os/files/file_system.h"
#include "os/store/property_list_coder.h"
#include "protocol/tellwick.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

// The user unit path of a session whose HOME is home, one folder a line.
std::string unitPaths(const std::string& home) {
  return runProgram({"/usr/bin/systemd-analyze", "--user", "unit-paths"}, {"PATH=/usr/bin:/bin", "HOME=" + home}).second;
}

// cmake --install of the build tree into HOME/.local, once per test process.
struct Installation {
  ScratchDirectory scratch{"tellwick-install"};
  std::string home = scratch.string() + "/home \"dq\" 'sq' %h $x ü";
  std::string prefix = home + "/.local";
  std::pair<int, std::string> install =
      runProgram({"/usr/bin/cmake", "--install", TELLWICK_BUILD_DIR, "--prefix", prefix}, {"PATH=/usr/bin:/bin"});
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
    return PrivateBus({.serviceFolder = installed().path("share/dbus-1/services"),
                       .systemdManager = throughSystemd ? TELLWICK_FIXTURES_DIR "/services/systemd_user_manager.py" : "",
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
  for (const std::string& path : std::vector<std::string>{
           "bin/tellwick", "bin/tellwickctl", "libexec/tellwick/nettop", "libexec/tellwick/system_profiler",
           "share/man/man1/tellwickctl.1.gz", "share/doc/tellwick/copyright", service, unit, starter}) {
    struct stat info;
    ASSERT_EQ(::stat(installed().path(path).c_str(), &info), 0) << path;
    // Programs, and only programs, live under bin and libexec.
    EXPECT_EQ((info.st_mode & S_IXUSR) != 0, path.starts_with("bin/") || path.starts_with("libexec/")) << path;
  }
  // The stand-ins must not shadow anything on the user's PATH.
  EXPECT_FALSE(fs::exists(installed().path("bin/nettop")));
  EXPECT_THAT(unitPaths(installed().home), HasSubstr(installed().path("share/systemd/user\n")));

  // systemd reads the unit as the helper's, manual page included.
  ScratchDirectory runtime("tellwick-runtime");
  auto verified = runProgram({"/usr/bin/systemd-analyze", "--user", "verify", installed().path(unit)},
                      {"PATH=" + installed().path("bin") + ":/usr/bin:/bin", "HOME=" + installed().home,
                       "XDG_RUNTIME_DIR=" + runtime.string()});
  EXPECT_EQ(verified, std::make_pair(0, std::string())) << installed().path(unit);
  auto validated = runProgram({"/usr/bin/desktop-file-validate", installed().path(starter)}, {"PATH=/usr/bin:/bin"});
  EXPECT_EQ(validated.first, 0) << validated.second;
}

// The bus's own Exec= and systemd's ExecStart= both start the installed
// helper, which finds nettop in the prefix with a bare PATH (else it stores
// no traffic). Autostart through systemd finds the unit; with no manager on
// the bus, turning it on says why not.
TEST_F(InstallTest, StartedByTheBusOrBySystemdTheInstalledHelperAnswers) {
  const std::string link = installed().home + "/.config/systemd/user/default.target.wants/tellwick.service";
  for (bool throughSystemd : {false, true}) {
    PrivateBus bus = sessionBus(throughSystemd);
    ASSERT_EQ(launch(20s), "") << "through systemd: " << throughSystemd;
    auto ctl = [&](std::vector<std::string> words) {
      auto environment = installed().environment();
      environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address());
      words.insert(words.begin(), installed().path("bin/tellwickctl"));
      return runProgram(words, environment);
    };
    EXPECT_THAT(ctl({"traffic", "--json"}).second, HasSubstr("\"traffic\": ["));
    EXPECT_EQ(ctl({"terminate"}).first, 0);
    // The entry autostart writes, on or off, is one desktop-file-validate takes.
    const std::string entry = installed().home + "/.config/autostart/" + std::string(kHelperBusName) + ".starter.desktop";
    EXPECT_EQ(ctl({"autostart", throughSystemd ? "off" : "on"}), std::make_pair(0, std::string(throughSystemd ? "disabled\n" : "enabled\n")));
    EXPECT_EQ(runProgram({"/usr/bin/desktop-file-validate", entry}, {"PATH=/usr/bin:/bin"}), std::make_pair(0, std::string()));
    for (std::string state : {"status", "on", "off"}) {
      const bool on = state == "on", refused = on && !throughSystemd;
      const auto [status, printed] = ctl({"autostart", state, "--via", "systemd"});
      const std::string said = on && !refused ? "enabled\n" : "disabled\n";
      EXPECT_EQ(printed.substr(0, said.size()) + std::to_string(status), said + (refused ? "1" : "0")) << printed;
      EXPECT_EQ(printed.find("autostart is still disabled: ") != std::string::npos, refused) << printed;
      EXPECT_EQ(fs::is_symlink(link), on && throughSystemd);
    }
  }
}

// What a broken installation says, each fault a link in place of one file:
// the bus's reason, which comes long before the wait is over, except for a
// program that systemd fails to run, of which the bus is not told.
TEST_F(InstallTest, ABrokenInstallationSaysWhyAtOnce) {
  const struct {
    std::string file;  // under HOME
    const char* linkTo;
    bool throughSystemd;
    const char* says;
  } cases[] = {
      {".local/bin/tellwick", "/nonexistent", false, "Failed to execute program"},
      {".local/bin/tellwick", "../share/tellwick/Info.plist", false, "Permission denied"},
      {".local/share/dbus-1/services/" + std::string(kHelperBusName) + ".service", "/dev/null", false,
       "was not provided by any .service files"},
      {".config/systemd/user/tellwick.service", "/dev/null", true, "Unit tellwick.service is masked."},
      {".local/share/systemd/user/tellwick.service", "/nonexistent", true, "Unit tellwick.service not found."},
      {".local/bin/tellwick", "/nonexistent", true, "did not announce that it started within 1 s"},
  };
  for (const auto& c : cases) {
    const fs::path file = installed().home + "/" + c.file, aside = file.string() + ".away";
    fs::create_directories(file.parent_path());
    if (fs::exists(file)) fs::rename(file, aside);
    fs::create_symlink(c.linkTo, file);
    {
      PrivateBus bus = sessionBus(c.throughSystemd);
      EXPECT_THAT(launch(std::string_view(c.says).starts_with("did not") ? 1s : 20s), HasSubstr(c.says)) << c.file;
    }
    fs::remove(file);
    if (fs::exists(aside)) fs::rename(aside, file);
  }
}

// The system prefix through the Makefile, into a DESTDIR that itself holds
// a blank and '%': the unit lands in the system's user unit folder, and make
// uninstall takes back every file it laid down.
TEST_F(InstallTest, MakeInstallAndUninstallForTheSystemPrefix) {
  if (std::string_view(TELLWICK_INSTALL_PREFIX) != "/usr/local") GTEST_SKIP() << "built for " TELLWICK_INSTALL_PREFIX;
  ScratchDirectory scratch("tellwick-destdir");
  const std::string destdir = scratch.string() + "/dest dir 100%";
  auto make = [&](const char* target) {
    return runProgram({"/usr/bin/make", "-s", "-C", TELLWICK_SOURCE_DIR, "BUILD=" TELLWICK_BUILD_DIR, "PREFIX=/usr/local",
                "DESTDIR=" + destdir, target},
               {"PATH=/usr/bin:/bin:/usr/sbin:/sbin", "HOME=" + scratch.string()});
  };
  auto installedByMake = make("install");
  ASSERT_EQ(installedByMake.first, 0) << installedByMake.second;
  EXPECT_TRUE(fs::exists(destdir + "/usr/local/lib/systemd/user/tellwick.service"));
  EXPECT_THAT(unitPaths(scratch.string()), HasSubstr("\n/usr/local/lib/systemd/user\n"));
  EXPECT_EQ(make("uninstall").first, 0);
  for (const auto& left : fs::recursive_directory_iterator(destdir)) {
    EXPECT_TRUE(left.is_directory() && left.path().filename() != "tellwick") << left.path();
  }
}

}  // namespace
}  // namespace tellwick::testing
