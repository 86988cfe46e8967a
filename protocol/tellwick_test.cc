#include "protocol/tellwick.h"

#include <gmock/gmock.h>

#include "tests/fakes/fake_tellwick_world.h"

namespace tellwick {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kLocation = "/opt/tw/share/tellwick";
constexpr const char* kInfoList = "/opt/tw/share/tellwick/Info.plist";

std::string xmlInfoList(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

std::string versionList(const std::string& version) {
  return xmlInfoList("<dict><key>CFBundleShortVersionString</key><string>" + version + "</string></dict>");
}

class TellwickTest : public testing::FakeTellwickWorld {
 protected:
  TellwickTest() : FakeTellwickWorld(kLocation, "https://updates.test:8443") {}
  TellwickContext with(os::FileSystem& files, os::BusNames& names) {
    return {files, names, bus_.center(), desktop_, http_, *coder_, kLocation, context_.updateOrigin, ""};
  }
};

TEST_F(TellwickTest, InstalledVersionFollowsTheFiveSteps) {
  auto binary = coder_->encode(os::PlistDictionary{{"CFBundleShortVersionString", "2.0"}}).value();
  struct Case {
    const char* what;
    std::optional<std::string> infoList;  // nullopt: the folder exists, the list does not
    bool installed;
    std::optional<std::string> expected;
  } cases[] = {
      {"XML list", versionList("1.9"), true, "1.9"},
      {"binary list", std::string(binary.begin(), binary.end()), true, "2.0"},
      {"not installed", std::nullopt, false, std::nullopt},
      {"no list", std::nullopt, true, std::nullopt},
      {"not a property list", "version=1.9", true, std::nullopt},
      {"array at the top", xmlInfoList("<array><string>1.9</string></array>"), true, std::nullopt},
      {"no version key", xmlInfoList("<dict><key>x</key><string>1</string></dict>"), true, std::nullopt},
      {"version not a string",
       xmlInfoList("<dict><key>CFBundleShortVersionString</key><real>1.9</real></dict>"), true,
       std::nullopt},
  };
  for (const auto& c : cases) {
    testing::MemoryFileSystem files;
    if (c.installed) files.addFolder(kLocation);
    if (c.infoList) files.addFile(kInfoList, *c.infoList);
    EXPECT_EQ(Tellwick::installedVersion(with(files, names_)), c.expected) << c.what;
    EXPECT_EQ(Tellwick::isInstalled(with(files, names_)), c.installed) << c.what;
  }
}

// Transport failures are passed on as tellwickctl update's test shows.
TEST_F(TellwickTest, UpdateCheckAsksForTheManifestUncachedAndComparesItWithTheInstalledVersion) {
  struct Case {
    std::optional<std::string> installed;
    long status;
    std::string body;
    UpdateInfo expected;
  } cases[] = {
      {"2.0", 200, R"({"version":"2.0"})", {false, "2.0"}},
      {"1.0", 500, R"({"version":"1.1"})", {true, "1.1"}},
      {"1.0", 404, "<html><body>Not Found</body></html>", {false, "0.0.0"}},
      {"1.0", 200, R"({"version":3})", {false, "0.0.0"}},
      {std::nullopt, 200, R"({"version":"9.0"})", {false, "0.0.0"}},
  };
  for (const auto& c : cases) {
    testing::MemoryFileSystem files;
    if (c.installed) files.addFile(kInfoList, versionList(*c.installed));
    http_.respond(c.status, c.body);
    auto result = Tellwick::checkForUpdate(with(files, names_)).get();
    ASSERT_TRUE(result.ok()) << c.body << ": " << result.error();
    EXPECT_EQ(*result, c.expected) << c.body;
  }
  auto requests = http_.requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  EXPECT_EQ(requests[0].url, "https://updates.test:8443/files/helper.json");
  EXPECT_THAT(requests[0].headers, ElementsAre("Cache-Control: no-cache", "Pragma: no-cache"));
  EXPECT_EQ(requests[0].timeout, 10s);

  context_.updateOrigin = "https://bad host";
  EXPECT_THAT(Tellwick::fetchServerVersion(context_).get().error(), HasSubstr("unsupported address"));
  EXPECT_EQ(http_.requests().size(), std::size(cases));
}

TEST_F(TellwickTest, UpdateOriginIsBuiltInOrAnHttpsOriginFromTheEnvironment) {
  EXPECT_EQ(Tellwick::updateOrigin("").value(), Tellwick::updateOrigin(nullptr).value());
  struct Case {
    const char* given;
    const char* origin;  // nullptr: refused
  } cases[] = {
      {"https://127.0.0.1:8443", "https://127.0.0.1:8443"}, {"https://updates.test/", "https://updates.test"},
      {"HTTPS://Updates.test", "https://Updates.test"},     {"http://updates.test", nullptr},
      {"https://updates.test/files", nullptr},              {"https://updates.test/?q=1", nullptr},
      {"https://user@updates.test", nullptr},               {"https://", nullptr},
  };
  for (const auto& c : cases) {
    auto origin = Tellwick::updateOrigin(c.given);
    if (c.origin) {
      EXPECT_EQ(origin.value(), c.origin) << c.given << ": " << origin.error();
    } else {
      EXPECT_THAT(origin.error(), HasSubstr("TELLWICK_UPDATE_ORIGIN")) << c.given;
    }
  }
}

TEST_F(TellwickTest, LaunchAndWaitReturnsOnceTheHelperAnnouncesItselfOrSaysWhyNot) {
  struct Case {
    bool installed, activatable, announces;
    const char* reason;  // empty: success
  } cases[] = {
      {true, true, true, ""},
      {false, true, true, "not installed"},
      {true, false, true, "the session bus cannot start it: The name com.quorvane.helper was not provided"},
      {true, true, false, "did not announce that it started within 0.25 s"},
  };
  for (const auto& c : cases) {
    testing::MemoryFileSystem files;
    testing::FakeSessionBus bus;
    if (c.installed) files.addFolder(kLocation);
    if (c.activatable) bus.names().activatable().insert(std::string(kHelperBusName));
    bus.names().onStart = [&](const std::string& name) {
      bus.names().owned().insert(name);
      if (c.announces) bus.center().deliver({"HelperStarted", std::nullopt});
    };
    TellwickContext context{files, bus.names(), bus.center(), desktop_, http_, *coder_, kLocation, "", ""};
    const std::string error = Tellwick::launchAndWait(context, bus, 250ms).error();
    EXPECT_TRUE(*c.reason ? error.find(c.reason) != std::string::npos : error.empty()) << error;
    // A refusal is said at once, not after the wait.
    EXPECT_EQ(bus.timeoutsPassed().size(), c.announces ? 0u : 1u) << error;
    EXPECT_TRUE(bus.center().registrations().empty());
    if (*c.reason) continue;
    EXPECT_TRUE(Tellwick::launchAndWait(context, bus, 250ms).ok()) << "already running";
    EXPECT_EQ(bus.names().startRequests().size(), 1u);
  }
}

TEST_F(TellwickTest, TheWebsiteOpensOnlyWhenValid) {
  Tellwick::openWebsite(context_);
  for (const char* bad : {"", "not an address", "file:///etc/passwd"}) {
    context_.website = bad;
    Tellwick::openWebsite(context_);
  }
  EXPECT_THAT(desktop_.opened(), ElementsAre("https://www.test/helper"));
}

}  // namespace
}  // namespace tellwick
