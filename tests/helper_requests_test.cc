// Requests and responses end to end, with the helper inside the simulated
// MacBook Pro, driven by our own client and by tellwickctl; other senders
// are in the hostile input suite.

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include "tests/support/helper_fixture.h"

namespace tellwick::testing {
namespace {

class HelperRequestsTest : public HelperTest {
 protected:
  std::unique_ptr<ChildProcess> tellwickctl(std::vector<std::string> arguments) {
    std::vector<std::string> argv = {std::string(TELLWICK_BIN_DIR) + "/tellwickctl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return std::make_unique<ChildProcess>(argv, helperEnvironment());
  }
};

TEST_F(HelperRequestsTest, TellwickctlPrintsTheAnswerAndTellsWhenNobodyAnswers) {
  auto helper = startHelper(true);
  auto json = tellwickctl({"fans", "--json"});
  EXPECT_EQ(json->wait(15s), 0);
  auto document = nlohmann::json::parse(json->drainStdout(), nullptr, false);
  ASSERT_TRUE(document.is_object());
  ASSERT_EQ(document["fans"].size(), 2u);
  EXPECT_EQ(document["fans"][1]["identifier"], "F1Ac");
  EXPECT_EQ(document["fans"][1]["name"], "Right side");

  auto stop = tellwickctl({"terminate"});
  EXPECT_EQ(stop->wait(15s), 0);
  EXPECT_EQ(helper->wait(10s), 0);

  auto unanswered = tellwickctl({"fans", "--timeout", "1"});
  EXPECT_EQ(unanswered->wait(15s), 2);
  EXPECT_EQ(tellwickctl({"fan"})->wait(15s), 64);
}

// make run where there is nothing to report (an empty device tree, no
// BlueZ) says why each category is empty and where to see them filled.
TEST_F(HelperRequestsTest, MakeRunSaysWhyEachEmptyCategoryIsEmpty) {
  ChildProcess run({"/usr/bin/umockdev-run", "--", TELLWICK_SOURCE_DIR "/scripts/run", TELLWICK_BIN_DIR "/.."},
                   {"PATH=/usr/bin:/bin", "HOME=" + scratch_.string(), "XDG_CONFIG_HOME=" + configHome_,
                    "TELLWICK_PRIVATE_BUS=1", "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent"});
  EXPECT_EQ(run.wait(60s), 0);
  const std::string said = run.drainStderr();
  for (const char* why : {"no hwmon chips", "no BlueZ on the system bus", "'make demo'"}) {
    EXPECT_THAT(said, ::testing::HasSubstr(why));
  }
}

}  // namespace
}  // namespace tellwick::testing
