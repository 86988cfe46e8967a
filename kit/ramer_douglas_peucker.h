#ifndef TELLWICK_KIT_RAMER_DOUGLAS_PEUCKER_H_
#define TELLWICK_KIT_RAMER_DOUGLAS_PEUCKER_H_

#include <span>
#include <vector>

#include "kit/point.h"

namespace tellwick {

// Polyline simplification by the Ramer-Douglas-Peucker method.
struct RamerDouglasPeucker {
  RamerDouglasPeucker() = delete;

  // The points of `points` that survive simplification with tolerance
  // `epsilon`, in input order; the first and the last point always survive.
  // A point is dropped when its distance from the line through the kept
  // points around it is at most `epsilon`. Among equally distant points the
  // earliest is kept first; a distance that is not a number (a segment whose
  // ends coincide) never keeps a point. Empty input or a negative epsilon
  // gives an empty result. Uses no recursion, so any length is safe; pure,
  // any thread.
  static std::vector<Point> simplify(std::span<const Point> points, double epsilon);
};

}  // namespace tellwick

#endif  // TELLWICK_KIT_RAMER_DOUGLAS_PEUCKER_H_
