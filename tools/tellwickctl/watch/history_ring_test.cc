#include "tools/tellwickctl/watch/history_ring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tellwick::watch {
namespace {

TEST(HistoryRingTest, KeepsTheNewestReadingsWithinItsCapacity) {
  const struct {
    std::size_t capacity;
    std::vector<float> pushed;
    std::size_t newCapacity;  // 0: leave it
    std::vector<float> expected;
    std::vector<float> pushedAfter = {};
  } kRings[] = {
      {3, {}, 0, {}}, {3, {1, 2}, 0, {1, 2}}, {3, {1, 2, 3}, 0, {1, 2, 3}}, {3, {1, 2, 3, 4, 5, 6, 7}, 0, {5, 6, 7}},
      {0, {1, 2}, 0, {2}},
      // Shrinking keeps the newest, growing keeps everything.
      {4, {1, 2, 3, 4, 5, 6}, 2, {5, 6}}, {3, {1, 2, 3, 4}, 5, {2, 3, 4}}, {2, {1, 2, 3}, 3, {3, 4, 5}, {4, 5}},
  };
  for (const auto& c : kRings) {
    HistoryRing ring(c.capacity);
    for (float v : c.pushed) ring.push(v);
    if (c.newCapacity) ring.setCapacity(c.newCapacity);
    for (float v : c.pushedAfter) ring.push(v);
    EXPECT_EQ(ring.values(), c.expected) << "capacity " << c.capacity << ", " << c.pushed.size() << " pushed";
    EXPECT_LE(ring.size(), ring.capacity());
  }
}

TEST(HistoryRingTest, AnHourOfReadingsAtTheInterval) {
  const std::pair<double, std::size_t> kCases[] = {{1, 3600}, {0.2, 18000}, {0.3, 12000}, {60, 60},   {7, 515},
                                                   {0, 3600}, {-1, 3600},   {NAN, 3600},   {INFINITY, 3600}};
  for (const auto& [interval, capacity] : kCases) EXPECT_EQ(HistoryRing::capacityFor(interval), capacity) << interval;
}

}  // namespace
}  // namespace tellwick::watch
