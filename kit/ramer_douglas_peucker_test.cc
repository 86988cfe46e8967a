#include "kit/ramer_douglas_peucker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kit/point.h"

namespace tellwick {
namespace {

using Points = std::vector<Point>;

Points simplify(const Points& points, double epsilon) { return RamerDouglasPeucker::simplify(points, epsilon); }

TEST(RamerDouglasPeuckerTest, KeepsTheFarthestPointsBeyondTheTolerance) {
  const Points peak = {{0, 0}, {1, 0.1}, {2, 0}}, unit = {{0, 0}, {1, 1}, {2, 0}};
  const struct {
    Points input;
    double epsilon;
    Points expected;
  } cases[] = {
      {{}, 1, {}}, {unit, -0.1, {}}, {{{3, 4}}, 0, {{3, 4}}},
      {{{0, 0}, {5, 5}}, 100, {{0, 0}, {5, 5}}}, {peak, 0.5, {{0, 0}, {2, 0}}}, {peak, 0.05, peak},
      // (1, 1) is exactly 1 from the chord: equal is within.
      {unit, 1.0, {{0, 0}, {2, 0}}}, {unit, std::nextafter(1.0, 0.0), unit},
      // Zero tolerance drops only collinear points.
      {{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {5, -3}}, 0, {{0, 0}, {3, 3}, {5, -3}}},
      // (1, 2) and (3, 2) tie; splitting at the earlier leaves (2, 1.9) 0.1 from the second chord.
      {{{0, 0}, {1, 2}, {2, 1.9}, {3, 2}, {4, 0}}, 0.5, {{0, 0}, {1, 2}, {3, 2}, {4, 0}}},
      // The far point wins over a nearer earlier one.
      {{{0, 0}, {1, 0.6}, {2, 3}, {3, 0}}, 0.5, {{0, 0}, {2, 3}, {3, 0}}},
      // Coinciding ends collapse the segment.
      {{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}, 0, {{0, 0}, {0, 0}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(simplify(c.input, c.epsilon), c.expected) << c.input.size() << " points within " << c.epsilon;
  }
  // Not-a-number coordinates never become the farthest point.
  const Points withNan = simplify({{0, 0}, {std::nan(""), 1}, {2, 0}}, 0.1);
  ASSERT_EQ(withNan.size(), 2u);
  EXPECT_EQ(withNan[1], (Point{2, 0}));
}

}  // namespace
}  // namespace tellwick
