// The helper's life on the bus: announcement, termination by request and by
// signal, a refused second instance, no bus, and a bus that goes away.

#include <gmock/gmock.h>

#include "tests/support/helper_fixture.h"

namespace tellwick::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::SizeIs;

TEST_F(HelperTest, AnnouncesOnlyOnceItListensForRequests) {
  // A client that asks the moment it hears "HelperStarted" is answered.
  int started = 0;
  center().addObserver(this, "HelperStarted", std::nullopt, [&](const os::Notification& n) {
    ++started;
    EXPECT_FALSE(n.object.has_value());
    post("RequestSensors");
  });
  watch("ResponseSensors");
  auto helper = spawnHelper();
  EXPECT_TRUE(waitFor("ResponseSensors", 1)) << helper->drainStderr(100ms);
  EXPECT_EQ(started, 1);
}

TEST_F(HelperTest, TerminateHelperStopsItAndLaterRequestsGoUnanswered) {
  auto helper = startHelper();
  watch("HelperStopped");
  watch("ResponseFans");
  post("TerminateHelper");
  EXPECT_TRUE(waitFor("HelperStopped", 1));
  EXPECT_EQ(helper->wait(10s), 0);
  EXPECT_EQ(helper->drainStderr(), "");

  post("RequestFans");
  settle();
  EXPECT_EQ(seen("ResponseFans"), 0);
  EXPECT_FALSE(client_->nameHasOwner("com.quorvane.helper"));
}

TEST_F(HelperTest, TerminationSignalsTakeTheSameWayOut) {
  for (int signo : {SIGTERM, SIGINT}) {
    seen_.clear();
    auto helper = startHelper();
    watch("HelperStopped");
    helper->signal(signo);
    EXPECT_TRUE(waitFor("HelperStopped", 1)) << "signal " << signo;
    EXPECT_EQ(helper->wait(10s), 0) << "signal " << signo;
    center().removeObserver(this, "HelperStopped");
  }
}

TEST_F(HelperTest, ASecondInstanceIsRefusedAndTheFirstKeepsServing) {
  auto first = startHelper();
  watch("HelperStarted");
  watch("ResponseFans");
  auto second = spawnHelper();
  EXPECT_EQ(second->wait(10s), 1);
  auto error = linesOf(second->drainStderr());
  ASSERT_THAT(error, SizeIs(1));
  EXPECT_THAT(error[0], HasSubstr("com.quorvane.helper"));

  post("RequestFans");
  EXPECT_TRUE(waitFor("ResponseFans", 1));
  settle();
  EXPECT_EQ(seen("HelperStarted"), 0);
  EXPECT_EQ(seen("ResponseFans"), 1) << "one helper, one answer";
}

TEST_F(HelperTest, WithoutABusItSaysWhatItTriedAndExitsOne) {
  auto noVariables = spawnHelper(false, {"PATH=/usr/bin:/bin", "HOME=" + scratch_.string()});
  EXPECT_EQ(noVariables->wait(10s), 1);
  auto error = linesOf(noVariables->drainStderr());
  ASSERT_THAT(error, SizeIs(1));
  EXPECT_THAT(error[0], HasSubstr("DBUS_SESSION_BUS_ADDRESS"));

  std::string missing = scratch_.string() + "/no-such-bus";
  auto deadAddress = spawnHelper(false, {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + missing,
                                         "PATH=/usr/bin:/bin"});
  EXPECT_EQ(deadAddress->wait(10s), 1);
  error = linesOf(deadAddress->drainStderr());
  ASSERT_THAT(error, SizeIs(1));
  EXPECT_THAT(error[0], HasSubstr(missing));

  auto runtimeDir = spawnHelper(false, {"XDG_RUNTIME_DIR=" + scratch_.string(), "PATH=/usr/bin:/bin"});
  EXPECT_EQ(runtimeDir->wait(10s), 1);
  EXPECT_THAT(runtimeDir->drainStderr(), HasSubstr(scratch_.string() + "/bus"));
}

TEST_F(HelperTest, LosingTheBusEndsTheHelperWithOneLine) {
  auto helper = startHelper();
  client_.reset();
  bus_.stop();
  auto status = helper->wait(10s);
  ASSERT_TRUE(status.has_value()) << "the helper kept running without its bus";
  EXPECT_NE(*status, 0);
  auto error = linesOf(helper->drainStderr());
  ASSERT_THAT(error, SizeIs(1));
  EXPECT_THAT(error[0], HasSubstr("lost the connection to the session bus"));
}

}  // namespace
}  // namespace tellwick::testing
