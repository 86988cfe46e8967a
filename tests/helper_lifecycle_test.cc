// The helper's life on the bus: announcement, termination by request and by
// signal, a refused second instance, no bus, and a bus that goes away; and
// make run where there is nothing to report. tellwickctl asks the real
// helper in the damaged-store suite, other senders in the hostile input one.

#include <gmock/gmock.h>

#include <algorithm>

#include "protocol/helper_notifications.h"
#include "tests/support/helper_fixture.h"

namespace tellwick::testing {
namespace {

using ::testing::HasSubstr;

// What the helper says when it gives up: one line, naming what failed.
void expectOneLineNaming(const std::string& error, const std::string& what) {
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
  EXPECT_THAT(error, HasSubstr(what));
}

// SIGINT takes the same way out, as does SIGTERM (see the hung-tool case of
// the hostile input suite).
TEST_F(HelperTest, TerminateHelperOrSigintStopsItAndLaterRequestsGoUnanswered) {
  watch("HelperStopped");
  watch("ResponseFans");
  for (int stops = 1; stops <= 2; ++stops) {
    auto helper = startHelper();
    stops == 1 ? post("TerminateHelper") : helper->signal(SIGINT);
    EXPECT_TRUE(waitFor("HelperStopped", stops));
    EXPECT_EQ(helper->wait(10s), 0);
    EXPECT_EQ(helper->drainStderr(), "");
  }
  post("RequestFans");
  settle();
  EXPECT_EQ(seen("ResponseFans"), 0);
  EXPECT_FALSE(client_->names().nameHasOwner(std::string(kHelperBusName)));
}

TEST_F(HelperTest, ASecondInstanceIsRefusedAndTheFirstKeepsServing) {
  auto first = startHelper();
  watch("HelperStarted");
  watch("ResponseFans");
  auto second = spawnHelper();
  EXPECT_EQ(second->wait(10s), 1);
  expectOneLineNaming(second->drainStderr(), std::string(kHelperBusName));

  post("RequestFans");
  EXPECT_TRUE(waitFor("ResponseFans", 1));
  settle();
  EXPECT_EQ(seen("HelperStarted"), 0);
  EXPECT_EQ(seen("ResponseFans"), 1) << "one helper, one answer";
}

// The name is owned only once the helper hears requests: what two clients
// ask, and a stop, sent the instant the name appears are never lost.
TEST_F(HelperTest, RequestsSentTheMomentTheNameAppearsAreAnswered) {
  auto other = os::connectSessionBus();
  ASSERT_TRUE(other) << other.error();
  watch("ResponseFans");
  watch("ResponseSensors");
  int lost = 0, stopsIgnored = 0;
  for (int attempt = 0; attempt < 70; ++attempt) {
    const int fans = seen("ResponseFans"), sensors = seen("ResponseSensors");
    auto helper = spawnHelper();
    for (auto end = std::chrono::steady_clock::now() + 10s; !client_->names().nameHasOwner(std::string(kHelperBusName));) {
      ASSERT_LT(std::chrono::steady_clock::now(), end) << helper->drainStderr(100ms);
    }
    if (attempt >= 50) {
      post("TerminateHelper");
      stopsIgnored += helper->wait(5s) != 0;
      continue;
    }
    (*other)->notificationCenter().post("RequestSensors", std::nullopt);
    (*other)->flush();
    post("RequestFans");
    lost += !waitFor("ResponseFans", fans + 1, 5s) + !waitFor("ResponseSensors", sensors + 1, 5s);
    post("TerminateHelper");
    ASSERT_EQ(helper->wait(10s), 0);
  }
  EXPECT_EQ(lost, 0) << "of 100 requests in 50 tries";
  EXPECT_EQ(stopsIgnored, 0) << "of 20 tries";
}

TEST_F(HelperTest, WithoutABusItSaysWhatItTriedAndExitsOne) {
  const std::string missing = scratch_.string() + "/no-such-bus";
  auto helper = spawnHelper(false, {"PATH=/usr/bin:/bin", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + missing});
  EXPECT_EQ(helper->wait(10s), 1);
  expectOneLineNaming(helper->drainStderr(), missing);
}

TEST_F(HelperTest, LosingTheBusEndsTheHelperWithOneLine) {
  auto helper = startHelper();
  client_.reset();
  bus_.stop();
  auto status = helper->wait(10s);
  ASSERT_TRUE(status.has_value()) << "the helper kept running without its bus";
  EXPECT_NE(*status, 0);
  expectOneLineNaming(helper->drainStderr(), "lost the connection to the session bus");
}

// make run where there is nothing to report (an empty device tree, no
// BlueZ) says why each category is empty and where to see them filled.
TEST_F(HelperTest, MakeRunSaysWhyEachEmptyCategoryIsEmpty) {
  ChildProcess run({"/usr/bin/umockdev-run", "--", TELLWICK_SOURCE_DIR "/scripts/run", TELLWICK_BIN_DIR "/.."},
                   {"PATH=/usr/bin:/bin", "HOME=" + scratch_.string(), "XDG_CONFIG_HOME=" + configHome_,
                    "TELLWICK_PRIVATE_BUS=1", "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent"});
  EXPECT_EQ(run.wait(60s), 0);
  const std::string said = run.drainStderr();
  for (const char* why : {"no hwmon chips", "no BlueZ on the system bus", "'make demo'"}) {
    EXPECT_THAT(said, HasSubstr(why));
  }
}

}  // namespace
}  // namespace tellwick::testing
