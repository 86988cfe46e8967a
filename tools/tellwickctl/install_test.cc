#include "tools/tellwickctl/install.h"

#include <gmock/gmock.h>

#include <sstream>

#include "tests/fakes/fake_tellwick_world.h"

namespace tellwick::ctl {
namespace {

constexpr const char* kLocation = "/p/share/tellwick";
const Options kJson{.json = true, .only = {}, .count = {}};

// What one run printed on each stream, and its exit status.
struct Printed {
  std::ostringstream out, err;
  Context io{out, err};
  std::string all(int status) const { return out.str() + err.str() + std::to_string(status); }
};

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
  Printed before, json, human;
  EXPECT_EQ(before.all(runStatus(before.io, kJson, context_)),
            R"({"installed":false,"running":false,"installedVersion":null})" "\n0");
  install("0.1.0");
  names_.owned().insert(std::string(kHelperBusName));
  EXPECT_EQ(json.all(runStatus(json.io, kJson, context_)),
            R"({"installed":true,"running":true,"installedVersion":"0.1.0"})" "\n0");
  EXPECT_EQ(human.all(runStatus(human.io, {}, context_)),
            "installed: yes (/p/share/tellwick)\nrunning: yes\nversion: 0.1.0\n0");
}

TEST_F(InstallCommandsTest, UpdateReportsTheCheckOrOneLineWithTheOriginAndReason) {
  install("1.9");
  http_.respond(200, R"({"version":"1.10"})");
  Printed json, human, failed;
  EXPECT_EQ(json.all(runUpdate(json.io, kJson, context_)), R"({"isUpdateAvailable":true,"serverVersion":"1.10"})" "\n0");
  EXPECT_EQ(human.all(runUpdate(human.io, {}, context_)),
            "installed version: 1.9\nserver version: 1.10\nupdate available: yes\n0");

  // A server's text is shown made safe, and not at any length.
  http_.respond(200, R"({"version":"2\u0000\u001b[31m)" + std::string(100, '9') + R"("})");
  Printed hostile;
  EXPECT_EQ(hostile.all(runUpdate(hostile.io, {}, context_)), "installed version: 1.9\nserver version: 2\uFFFD\uFFFD[31m" +
                                                                   std::string(57, '9') + "…\nupdate available: yes\n0");

  http_.fail("Failed to connect to 127.0.0.1 port 9: Connection refused");
  EXPECT_EQ(failed.all(runUpdate(failed.io, kJson, context_)),
            "tellwickctl: cannot fetch the update manifest from https://127.0.0.1:9: "
            "Failed to connect to 127.0.0.1 port 9: Connection refused\n3");
}

}  // namespace
}  // namespace tellwick::ctl
