#include "kit/ramer_douglas_peucker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <vector>

#include "kit/point.h"

namespace tellwick {
namespace {

using Points = std::vector<Point>;

Points simplify(const Points& points, double epsilon) { return RamerDouglasPeucker::simplify(points, epsilon); }

TEST(PointTest, TextUsesShortestRoundTripDecimals) {
  EXPECT_EQ(description({1, 2.5}), "(1.0, 2.5)");
  EXPECT_EQ(description({0, -0.0}), "(0.0, -0.0)");
  EXPECT_EQ(description({0.1, 1.0 / 3}), "(0.1, 0.3333333333333333)");
  EXPECT_EQ(description({1e20, -1e-7}), "(1e+20, -1e-07)");
  EXPECT_EQ(description({std::numeric_limits<double>::infinity(), std::nan("")}), "(inf, nan)");
}

TEST(RamerDouglasPeuckerTest, KeepsTheFarthestPointsBeyondTheTolerance) {
  const Points peak = {{0, 0}, {1, 0.1}, {2, 0}}, unit = {{0, 0}, {1, 1}, {2, 0}};
  const struct {
    Points input;
    double epsilon;
    Points expected;
  } cases[] = {
      {{}, 1, {}}, {unit, -0.1, {}}, {{{3, 4}}, 1, {{3, 4}}}, {{{3, 4}}, 0, {{3, 4}}},
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

// Checks what every result must satisfy: a subsequence of the input in input
// order, ends kept, and every dropped point within epsilon of the line
// through its kept neighbours.
void expectValidSimplification(const Points& input, const Points& output, double epsilon) {
  ASSERT_FALSE(output.empty());
  EXPECT_EQ(output.front(), input.front());
  EXPECT_EQ(output.back(), input.back());
  std::vector<std::size_t> kept;
  std::size_t next = 0;
  for (const Point& p : output) {
    while (next < input.size() && !(input[next] == p)) ++next;
    ASSERT_LT(next, input.size()) << "not a subsequence at " << p;
    kept.push_back(next++);
  }
  ASSERT_EQ(kept.back(), input.size() - 1);
  for (std::size_t j = 0; j + 1 < kept.size(); ++j) {
    const Point& a = input[kept[j]];
    const Point& b = input[kept[j + 1]];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    for (std::size_t k = kept[j] + 1; k < kept[j + 1]; ++k) {
      const Point& p = input[k];
      const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
      EXPECT_LE(std::fabs(cross) / length, epsilon + 1e-9) << "dropped " << p << " between " << a << " and " << b;
    }
  }
}

TEST(RamerDouglasPeuckerTest, RandomPolylinesGiveValidSimplifications) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> coordinate(-100, 100);
  std::uniform_int_distribution<std::size_t> length(2, 300);
  for (int round = 0; round < 200; ++round) {
    Points input(length(random));
    double x = 0;
    for (Point& p : input) {
      x += std::fabs(coordinate(random)) + 0.5;
      p = {x, coordinate(random)};
    }
    for (double epsilon : {0.0, 1.0, 25.0, 1000.0}) {
      const Points output = simplify(input, epsilon);
      expectValidSimplification(input, output, epsilon);
      if (epsilon == 1000.0) {
        EXPECT_EQ(output.size(), 2u);
      }
      if (::testing::Test::HasFailure()) return;
    }
  }
}

}  // namespace
}  // namespace tellwick
