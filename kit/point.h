#ifndef TELLWICK_KIT_POINT_H_
#define TELLWICK_KIT_POINT_H_

#include <iosfwd>
#include <string>

namespace tellwick {

// A point in the plane.
struct Point {
  double x = 0;
  double y = 0;

  friend bool operator==(const Point&, const Point&) = default;
};

// "(x, y)" with each coordinate in the shortest decimal form that reads back
// to the same double, always showing a fraction or an exponent: "(1.0, 2.5)",
// "(1e+20, -0.001)"; non-finite values show as "inf", "-inf" and "nan".
std::string description(const Point& point);
std::ostream& operator<<(std::ostream& out, const Point& point);

}  // namespace tellwick

#endif  // TELLWICK_KIT_POINT_H_
