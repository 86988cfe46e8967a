#include "protocol/fan.h"

#include <utility>

namespace tellwick {

Fan::Fan(std::string identifier, std::string name, std::int64_t rpm, std::int64_t min,
         std::int64_t max, std::int64_t target)
    : identifier(std::move(identifier)),
      name(std::move(name)),
      rpm(rpm),
      min(min),
      max(max),
      target(target) {}

float Fan::relativeSpeed() const {
  // Differences are taken exactly in 128 bits: a stored record may carry any
  // 64-bit values, and their difference must not overflow.
  const auto span = static_cast<__int128>(max) - min;
  const auto offset = static_cast<__int128>(rpm) - min;
  const float quotient = static_cast<float>(offset) / static_cast<float>(span);
  if (quotient > 1.0f) return 1.0f;
  if (quotient < 0.0f) return 0.0f;
  return quotient;
}

}  // namespace tellwick
