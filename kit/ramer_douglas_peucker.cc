#include "kit/ramer_douglas_peucker.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace tellwick {

std::vector<Point> RamerDouglasPeucker::simplify(std::span<const Point> points, double epsilon) {
  std::vector<Point> result;
  if (points.empty() || epsilon < 0) return result;
  result.push_back(points.front());

  // Segments still to reduce, the next one on top. Splitting a segment pushes
  // its right half below its left half, so kept points are appended in input
  // order exactly as a left-first recursion would, without its stack depth.
  std::vector<std::pair<std::size_t, std::size_t>> pending;
  pending.emplace_back(0, points.size() - 1);
  while (!pending.empty()) {
    const auto [first, last] = pending.back();
    pending.pop_back();
    if (first >= last) continue;
    if (last == first + 1) {
      result.push_back(points[last]);
      continue;
    }

    const Point& a = points[first];
    const Point& b = points[last];
    const double gx = b.x - a.x;
    const double gy = b.y - a.y;
    const double length = std::sqrt(gx * gx + gy * gy);
    double largest = 0;
    std::size_t largestIndex = first;
    for (std::size_t k = first + 1; k < last; ++k) {
      const Point& p = points[k];
      // Kept in this exact order of operations: whether a distance equals
      // epsilon depends on the rounding of every step.
      const double distance = std::fabs(p.x * gy - p.y * gx + b.x * a.y - b.y * a.x) / length;
      // Strictly greater: ties keep the earliest index, and NaN never wins.
      if (distance > largest) {
        largest = distance;
        largestIndex = k;
      }
    }

    if (!(largest > epsilon)) {
      result.push_back(b);
      continue;
    }
    pending.emplace_back(largestIndex, last);
    pending.emplace_back(first, largestIndex);
  }
  return result;
}

}  // namespace tellwick
