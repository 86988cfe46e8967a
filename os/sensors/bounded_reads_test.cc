#include "os/sensors/bounded_reads.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tellwick::os
