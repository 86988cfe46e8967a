// One contract for the notification center, run against the in-memory fake
// and against the D-Bus center on a private bus.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "os/bus/session_bus.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/support/private_bus.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

class FakeWorld {
 public:
  os::NotificationCenter& center() { return center_; }
  bool pumpUntil(const std::function<bool()>& done, bool) { return done(); }

 private:
  FakeNotificationCenter center_;
};

template <auto Connect>
class BusWorld {
 public:
  BusWorld() {
    auto connection = Connect();
    EXPECT_TRUE(connection) << connection.error();
    if (connection) session_ = std::move(*connection);
  }
  os::NotificationCenter& center() { return session_->notificationCenter(); }
  // Delivery is asynchronous: wait for what should come, and give what
  // should not come a moment to show up anyway.
  bool pumpUntil(const std::function<bool()>& done, bool expected) {
    return session_->runUntil(done, expected ? 5s : 200ms);
  }

 private:
  PrivateBus bus_;
  std::unique_ptr<os::SessionBus> session_;
};

template <typename World>
class NotificationCenterContractTest : public ::testing::Test {
 protected:
  void record(const void* observer, const std::string& name,
              std::optional<std::string> object = std::nullopt) {
    world_.center().addObserver(observer, name, object, [this, observer](const os::Notification& n) {
      log_.push_back(std::string(observer == &a_ ? "a:" : "b:") + n.name + "/" +
                     n.object.value_or("-"));
    });
  }
  bool logged(std::size_t count) {
    return world_.pumpUntil([&] { return log_.size() >= count; }, true);
  }
  bool nothingMoreThan(std::size_t count) {
    return !world_.pumpUntil([&] { return log_.size() > count; }, false);
  }

  World world_;
  int a_ = 0, b_ = 0;
  std::vector<std::string> log_;
};

// sd-bus, as the helper uses it, and the socket spoken to directly, as clients do.
using DBusWorld = BusWorld<&os::connectServingSessionBus>;
using SocketWorld = BusWorld<&os::connectSessionBus>;
using Worlds = ::testing::Types<FakeWorld, DBusWorld, SocketWorld>;
TYPED_TEST_SUITE(NotificationCenterContractTest, Worlds);

TYPED_TEST(NotificationCenterContractTest, MatchesByNameAndOptionalObject) {
  this->record(&this->a_, "RequestFans");
  this->record(&this->b_, "RequestFans", "com.example.one");
  this->record(&this->b_, "it's quoted");
  this->record(&this->b_, "back\\slash", "o'bject");
  auto& center = this->world_.center();
  center.post("RequestFans", std::nullopt);
  center.post("RequestFans", "com.example.two");
  center.post("RequestFans", "com.example.one");
  center.post("RequestSensors", std::nullopt);
  center.post("it's quoted", std::nullopt);
  center.post("back\\slash", "o'bject");
  center.post("back\\slash", "object");
  ASSERT_TRUE(this->logged(6)) << ::testing::PrintToString(this->log_);
  EXPECT_TRUE(this->nothingMoreThan(6));
  std::sort(this->log_.begin(), this->log_.end());
  EXPECT_THAT(this->log_, ElementsAre("a:RequestFans/-", "a:RequestFans/com.example.one",
                                      "a:RequestFans/com.example.two",
                                      "b:RequestFans/com.example.one", "b:back\\slash/o'bject",
                                      "b:it's quoted/-"));
}

// Removing an observer's name leaves its other names and other observers;
// a handler may remove itself.
TYPED_TEST(NotificationCenterContractTest, RemovingAnObserverLeavesTheOthers) {
  auto& center = this->world_.center();
  this->record(&this->a_, "ResponseFans");
  this->record(&this->a_, "ResponseFans", "x");
  this->record(&this->b_, "ResponseFans");
  this->record(&this->a_, "ResponseSensors");
  int calls = 0;
  center.addObserver(&calls, "TerminateHelper", std::nullopt, [&](const os::Notification&) {
    ++calls;
    center.removeObserver(&calls, "TerminateHelper");
  });
  this->record(&this->b_, "TerminateHelper");
  center.removeObserver(&this->a_, "ResponseFans");
  center.post("ResponseFans", "x");
  center.post("ResponseSensors", std::nullopt);
  center.post("TerminateHelper", std::nullopt);
  center.post("TerminateHelper", std::nullopt);
  ASSERT_TRUE(this->logged(4));
  EXPECT_TRUE(this->nothingMoreThan(4));
  EXPECT_EQ(calls, 1);
  std::sort(this->log_.begin(), this->log_.end());
  EXPECT_THAT(this->log_, ElementsAre("a:ResponseSensors/-", "b:ResponseFans/x", "b:TerminateHelper/-",
                                      "b:TerminateHelper/-"));
}

// sd-bus may only be used from its loop's thread: posts from elsewhere are
// handed to the loop, and every one of them arrives intact. libsystemd is
// not instrumented, so ThreadSanitizer sees only our side of the handover;
// posting straight into sd-bus from these threads aborts inside it in most
// runs of this size.
template <typename World>
class BusThreadsTest : public ::testing::Test {};
using BusWorlds = ::testing::Types<DBusWorld, SocketWorld>;
TYPED_TEST_SUITE(BusThreadsTest, BusWorlds);

TYPED_TEST(BusThreadsTest, PostsFromSeveralThreadsAllArrive) {
  TypeParam world;
  constexpr int kThreads = 8;
  constexpr int kPosts = 2000;
  std::map<std::string, int> received;
  int total = 0;
  for (int t = 0; t < kThreads; ++t) {
    world.center().addObserver(&received, "Post" + std::to_string(t), std::nullopt,
                               [&](const os::Notification& n) {
                                 ++received[n.name + "/" + n.object.value_or("-")];
                                 ++total;
                               });
  }
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&world, t] {
      for (int i = 0; i < kPosts; ++i) {
        world.center().post("Post" + std::to_string(t), std::to_string(i % 5));
      }
    });
  }
  EXPECT_TRUE(world.pumpUntil([&] { return total >= kThreads * kPosts; }, true)) << total;
  for (auto& poster : posters) poster.join();
  EXPECT_TRUE(world.pumpUntil([&] { return total >= kThreads * kPosts; }, true)) << total;
  EXPECT_EQ(received.size(), static_cast<std::size_t>(kThreads * 5));
  for (const auto& [key, count] : received) EXPECT_EQ(count, kPosts / 5) << key;
}

}  // namespace
}  // namespace tellwick::testing
