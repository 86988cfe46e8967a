#include "os/sensors/bounded_reads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace tellwick::os {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(BoundedReadsTest, AReadThatBlocksCostsABoundedWaitAndHoldsUpOnlyItsChipUntilItEnds) {
  BoundedReads reads({.wait = 200ms, .quickWait = 20ms, .timeoutsPerWindow = 2, .window = 60s});
  std::promise<void> release;
  auto blocking = [released = release.get_future().share()] {
    released.wait();
    return std::optional(0);
  };
  auto waited = [&](const char* chip) {
    const auto start = Clock::now();
    bool timedOut = false;
    EXPECT_EQ(reads.run<int>(chip, blocking, &timedOut), std::nullopt);
    EXPECT_TRUE(timedOut);
    return Clock::now() - start;
  };
  EXPECT_EQ(reads.run<int>("a", [] { return std::optional(1); }), 1);

  EXPECT_GE(waited("a"), 200ms);
  EXPECT_EQ(reads.run<int>("a", [] { return std::optional(2); }), std::nullopt) << "waits behind it";
  EXPECT_EQ(reads.run<int>("b", [] { return std::optional(3); }), 3);
  EXPECT_GE(waited("c"), 200ms);
  EXPECT_LT(waited("d"), 200ms) << "after two timeouts, only the short wait";
  EXPECT_FALSE(reads.idle());

  release.set_value();
  for (auto until = Clock::now() + 2s; !reads.idle() && Clock::now() < until;) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(reads.idle());
  EXPECT_EQ(reads.run<int>("a", [] { return std::optional(4); }), 4) << "its chip reads again";
}

TEST(BoundedReadsTest, AChipReadInOneGoKeepsTheReadingsTakenBeforeOneThatBlocks) {
  BoundedReads reads({.wait = 100ms});
  std::promise<void> release;
  std::atomic<int> started{0};
  auto read = [&, released = release.get_future().share()](std::size_t i) {
    ++started;
    if (i == 2) released.wait();
    return i == 1 ? std::nullopt : std::optional(static_cast<int>(i) * 10);
  };
  bool timedOut = false;
  EXPECT_EQ(reads.runEach<int>("a", 4, read, &timedOut),
            (std::vector<std::optional<int>>{0, std::nullopt, std::nullopt, std::nullopt}));
  EXPECT_TRUE(timedOut);
  release.set_value();
  for (auto until = Clock::now() + 2s; !reads.idle() && Clock::now() < until;) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(started, 3) << "nothing is read for a caller that left";

  EXPECT_EQ(reads.runEach<int>("a", 2, read, &timedOut), (std::vector<std::optional<int>>{0, std::nullopt}));
  EXPECT_FALSE(timedOut);
}

}  // namespace
}  // namespace tellwick::os
