#include "kit/point.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <string_view>

namespace tellwick {
namespace {

std::string shortest(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  // 64 bytes hold any shortest double, so ec is always success here.
  (void)ec;
  std::string text(buffer, end);
  // A whole number keeps a visible fraction so that it still reads as a
  // floating-point value.
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

}  // namespace

std::string description(const Point& point) {
  return "(" + shortest(point.x) + ", " + shortest(point.y) + ")";
}

std::ostream& operator<<(std::ostream& out, const Point& point) { return out << description(point); }

}  // namespace tellwick
