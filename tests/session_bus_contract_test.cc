// One contract for the session bus and its main queue, run against the
// in-memory fake and against the D-Bus connection on a private bus: what
// the client tests lean on when they use the fake.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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

class FakeWorld {
 public:
  os::SessionBus& bus() { return bus_; }
  void answer(const std::string& request, const std::string& response) { bus_.answer(request, {response}); }
  // The fake lets a timeout pass at once and records it.
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
  ~BusWorld() {
    stop_ = true;
    if (peer_.joinable()) peer_.join();
  }
  os::SessionBus& bus() { return *bus_; }
  // A peer on a connection of its own, on a thread of its own, answering
  // each request until the world ends.
  void answer(const std::string& request, const std::string& response) {
    std::atomic<bool> listening = false;
    peer_ = std::thread([this, request, response, &listening] {
      auto peer = os::connectSessionBus();
      if (!peer) return;
      auto& center = (*peer)->notificationCenter();
      center.addObserver(this, request, std::nullopt,
                         [&](const os::Notification&) { center.post(response, std::nullopt); });
      (*peer)->flush();
      listening = true;
      while (!stop_) (*peer)->runUntil([this] { return stop_.load(); }, 50ms);
    });
    while (!listening) std::this_thread::sleep_for(1ms);
  }
  bool waitedOut(std::chrono::milliseconds timeout, std::chrono::steady_clock::duration waited) const {
    return waited >= timeout;
  }

 private:
  PrivateBus daemon_;
  std::unique_ptr<os::SessionBus> bus_;
  std::thread peer_;
  std::atomic<bool> stop_ = false;
};

template <typename World>
class SessionBusContractTest : public ::testing::Test {
 protected:
  World world_;
};

// sd-bus, as the helper uses it, and the socket spoken to directly, as clients do.
using DBusWorld = BusWorld<&os::connectServingSessionBus>;
using SocketWorld = BusWorld<&os::connectSessionBus>;
using Worlds = ::testing::Types<FakeWorld, DBusWorld, SocketWorld>;
TYPED_TEST_SUITE(SessionBusContractTest, Worlds);

TYPED_TEST(SessionBusContractTest, AReplyEndsTheWaitAndSilenceLastsTheTimeout) {
  os::SessionBus& bus = this->world_.bus();
  this->world_.answer("RequestFans", "ResponseFans");
  int replies = 0;
  bus.notificationCenter().addObserver(&replies, "ResponseFans", std::nullopt,
                                       [&](const os::Notification&) { ++replies; });
  bus.notificationCenter().post("RequestFans", std::nullopt);
  bus.flush();
  EXPECT_TRUE(bus.runUntil([&] { return replies == 1; }, 5s));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(bus.runUntil([&] { return replies == 2; }, 300ms));
  EXPECT_TRUE(this->world_.waitedOut(300ms, std::chrono::steady_clock::now() - start));
  EXPECT_EQ(replies, 1);
  EXPECT_TRUE(bus.connected());
}

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

}  // namespace
}  // namespace tellwick::testing
