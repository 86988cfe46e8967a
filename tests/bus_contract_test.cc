// One contract for the session bus, its notification center and its main
// queue, run against the in-memory fake and against the D-Bus connection on a
// private bus: what the client tests lean on when they use the fake.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "os/bus/application.h"
#include "os/bus/session_bus.h"
#include "tests/fakes/fake_session_bus.h"
#include "tests/support/private_bus.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// The fake lets a timeout pass at once and records it; a real loop waits it out.
class FakeWorld {
 public:
  os::SessionBus& bus() { return bus_; }
  bool waitedOut(std::chrono::milliseconds timeout, std::chrono::steady_clock::duration) const {
    return !bus_.timeoutsPassed().empty() && bus_.timeoutsPassed().back() == timeout;
  }

 private:
  FakeSessionBus bus_;
};

template <auto Connect>
class BusWorld {
 public:
  BusWorld() {
    auto connection = Connect();
    EXPECT_TRUE(connection) << connection.error();
    if (connection) bus_ = std::move(*connection);
  }
  os::SessionBus& bus() { return *bus_; }
  bool waitedOut(std::chrono::milliseconds timeout, std::chrono::steady_clock::duration waited) const {
    return waited >= timeout;
  }

 private:
  PrivateBus daemon_;
  std::unique_ptr<os::SessionBus> bus_;
};

// Delivery is asynchronous on a real bus: logged waits for what should come,
// and nothingMoreThan gives what should not come the whole timeout to show up
// anyway, which the silence must last.
template <typename World>
class SessionBusContractTest : public ::testing::Test {
 protected:
  os::NotificationCenter& center() { return world_.bus().notificationCenter(); }
  void record(const void* observer, const std::string& name,
              std::optional<std::string> object = std::nullopt) {
    center().addObserver(observer, name, object, [this, observer](const os::Notification& n) {
      log_.push_back(std::string(observer == &a_ ? "a:" : "b:") + n.name + "/" +
                     n.object.value_or("-"));
    });
  }
  bool logged(std::size_t count) {
    return world_.bus().runUntil([&] { return log_.size() >= count; }, 5s);
  }
  bool nothingMoreThan(std::size_t count) {
    const auto start = std::chrono::steady_clock::now();
    const bool more = world_.bus().runUntil([&] { return log_.size() > count; }, 300ms);
    EXPECT_TRUE(world_.waitedOut(300ms, std::chrono::steady_clock::now() - start));
    EXPECT_TRUE(world_.bus().connected());
    return !more;
  }

  World world_;
  int a_ = 0, b_ = 0;
  std::vector<std::string> log_;
};

// sd-bus, as the helper uses it, and the socket spoken to directly, as clients do.
using DBusWorld = BusWorld<&os::connectServingSessionBus>;
using SocketWorld = BusWorld<&os::connectSessionBus>;
using Worlds = ::testing::Types<FakeWorld, DBusWorld, SocketWorld>;
TYPED_TEST_SUITE(SessionBusContractTest, Worlds);

// Work runs on the loop's thread, never before dispatch returns, each
// thread's in the order it was queued.
TYPED_TEST(SessionBusContractTest, TheQueueRunsWorkInOrderOnTheLoop) {
  os::SessionBus& bus = this->world_.bus();
  constexpr int kThreads = 3, kEach = 200;
  const auto loop = std::this_thread::get_id();
  std::vector<std::vector<int>> ran(kThreads + 1);
  int total = 0;
  bool offLoop = false;
  auto work = [&](int source, int n) {
    return [&, source, n] {
      offLoop = offLoop || std::this_thread::get_id() != loop;
      ran[static_cast<std::size_t>(source)].push_back(n);
      ++total;
    };
  };
  bus.mainQueue().dispatch(work(kThreads, 0));
  EXPECT_EQ(total, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 0; n < kEach; ++n) bus.mainQueue().dispatch(work(t, n));
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_TRUE(bus.runUntil([&] { return total == kThreads * kEach + 1; }, 5s)) << total;
  EXPECT_FALSE(offLoop);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(std::is_sorted(ran[static_cast<std::size_t>(t)].begin(), ran[static_cast<std::size_t>(t)].end()));
  }
}

class StopAtLaunch final : public os::ApplicationDelegate {
 public:
  explicit StopAtLaunch(os::Application*& application) : application_(application) {}
  void applicationDidFinishLaunching() override { application_->terminate(this); }
  void applicationWillTerminate() override {}

 private:
  os::Application*& application_;
};

TYPED_TEST(SessionBusContractTest, WorkQueuedOnceTheLoopHasStoppedNeverRuns) {
  os::SessionBus& bus = this->world_.bus();
  auto application = bus.makeApplication();
  os::Application* running = application.get();
  StopAtLaunch delegate(running);
  EXPECT_EQ(application->run(delegate).status, 0);
  bool ran = false;
  bus.mainQueue().dispatch([&] { ran = true; });
  EXPECT_FALSE(bus.runUntil([&] { return ran; }, 200ms));
}

// The fake watches nothing: the two real loops only.
template <typename World>
class BusLoopTest : public SessionBusContractTest<World> {};
using BusWorlds = ::testing::Types<DBusWorld, SocketWorld>;
TYPED_TEST_SUITE(BusLoopTest, BusWorlds);

TYPED_TEST(BusLoopTest, AWatchedDescriptorIsHandledUntilItsWatchEnds) {
  os::SessionBus& bus = this->world_.bus();
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
  int bytes = 0;
  auto watch = bus.mainQueue().watchReadable(ends[0], [&] {
    char c;
    while (::read(ends[0], &c, 1) == 1) ++bytes;
  });
  ASSERT_TRUE(watch);
  ASSERT_EQ(::write(ends[1], "ab", 2), 2);
  EXPECT_TRUE(bus.runUntil([&] { return bytes == 2; }, 5s));
  watch.reset();
  ASSERT_EQ(::write(ends[1], "c", 1), 1);
  EXPECT_FALSE(bus.runUntil([&] { return bytes == 3; }, 200ms));
  ::close(ends[0]);
  ::close(ends[1]);
}

// Observers match by name and optional object. Removing an observer's name
// leaves its other names and other observers; a handler may remove itself.
TYPED_TEST(SessionBusContractTest, ObserversMatchByNameAndObjectUntilRemoved) {
  auto& center = this->center();
  this->record(&this->a_, "RequestFans");
  this->record(&this->b_, "RequestFans", "com.example.one");
  this->record(&this->b_, "it's quoted");
  this->record(&this->b_, "back\\slash", "o'bject");
  this->record(&this->a_, "ResponseFans");
  this->record(&this->a_, "ResponseFans", "x");
  this->record(&this->b_, "ResponseFans");
  int calls = 0;
  center.addObserver(&calls, "TerminateHelper", std::nullopt, [&](const os::Notification&) {
    ++calls;
    center.removeObserver(&calls, "TerminateHelper");
  });
  this->record(&this->b_, "TerminateHelper");
  center.removeObserver(&this->a_, "ResponseFans");
  center.post("RequestFans", std::nullopt);
  center.post("RequestFans", "com.example.two");
  center.post("RequestFans", "com.example.one");
  center.post("RequestSensors", std::nullopt);
  center.post("it's quoted", std::nullopt);
  center.post("back\\slash", "o'bject");
  center.post("back\\slash", "object");
  center.post("ResponseFans", "x");
  center.post("TerminateHelper", std::nullopt);
  center.post("TerminateHelper", std::nullopt);
  ASSERT_TRUE(this->logged(9)) << ::testing::PrintToString(this->log_);
  EXPECT_TRUE(this->nothingMoreThan(9));
  EXPECT_EQ(calls, 1);
  std::sort(this->log_.begin(), this->log_.end());
  EXPECT_THAT(this->log_,
              ElementsAre("a:RequestFans/-", "a:RequestFans/com.example.one",
                          "a:RequestFans/com.example.two", "b:RequestFans/com.example.one",
                          "b:ResponseFans/x", "b:TerminateHelper/-", "b:TerminateHelper/-",
                          "b:back\\slash/o'bject", "b:it's quoted/-"));
}

// sd-bus may only be used from its loop's thread: posts from elsewhere are
// handed to the loop, and every one of them arrives intact. libsystemd is
// not instrumented, so ThreadSanitizer sees only our side of the handover;
// posting straight into sd-bus from these threads aborts inside it in most
// runs of this size.
TYPED_TEST(BusLoopTest, PostsFromSeveralThreadsAllArrive) {
  os::SessionBus& bus = this->world_.bus();
  auto& center = this->center();
  constexpr int kThreads = 8;
  constexpr int kPosts = 2000;
  std::map<std::string, int> received;
  int total = 0;
  for (int t = 0; t < kThreads; ++t) {
    center.addObserver(&received, "Post" + std::to_string(t), std::nullopt,
                       [&](const os::Notification& n) {
                         ++received[n.name + "/" + n.object.value_or("-")];
                         ++total;
                       });
  }
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&center, t] {
      for (int i = 0; i < kPosts; ++i) {
        center.post("Post" + std::to_string(t), std::to_string(i % 5));
      }
    });
  }
  EXPECT_TRUE(bus.runUntil([&] { return total >= kThreads * kPosts; }, 5s)) << total;
  for (auto& poster : posters) poster.join();
  EXPECT_TRUE(bus.runUntil([&] { return total >= kThreads * kPosts; }, 5s)) << total;
  EXPECT_EQ(received.size(), static_cast<std::size_t>(kThreads * 5));
  for (const auto& [key, count] : received) EXPECT_EQ(count, kPosts / 5) << key;
}

}  // namespace
}  // namespace tellwick::testing
