#ifndef TELLWICK_BATTERY_REGISTRY_VALUES_H_
#define TELLWICK_BATTERY_REGISTRY_VALUES_H_

// How the battery finders read registry and power-source values: numbers of
// any stored width, nothing else passing for a number.

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "os/store/property_list.h"

namespace tellwick::registry_values {

// A number as a signed 64-bit integer (a fraction truncated toward zero);
// nullopt for anything else or a number that does not fit.
inline std::optional<std::int64_t> integer(const os::PlistValue* value) {
  if (!value) return std::nullopt;
  if (const auto* i = value->get<std::int64_t>()) return *i;
  if (const auto* u = value->get<std::uint64_t>()) {
    if (*u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return static_cast<std::int64_t>(*u);
    }
    return std::nullopt;
  }
  if (const auto* d = value->get<double>()) {
    if (std::isfinite(*d) && std::fabs(*d) < 9.2e18) return static_cast<std::int64_t>(*d);
  }
  return std::nullopt;
}

// A number stored as an integer, not as a fraction.
inline std::optional<std::int64_t> wholeInteger(const os::PlistValue* value) {
  if (!value || value->is<double>()) return std::nullopt;
  return integer(value);
}

inline std::optional<double> floating(const os::PlistValue* value) {
  if (!value) return std::nullopt;
  if (const auto* i = value->get<std::int64_t>()) return static_cast<double>(*i);
  if (const auto* u = value->get<std::uint64_t>()) return static_cast<double>(*u);
  if (const auto* d = value->get<double>()) {
    if (std::isfinite(*d)) return *d;
  }
  return std::nullopt;
}

inline std::optional<std::string> text(const os::PlistValue* value) {
  if (const auto* s = value ? value->get<std::string>() : nullptr) return *s;
  return std::nullopt;
}

// A number or boolean equal to 1.
inline bool isOne(const os::PlistValue* value) {
  if (!value) return false;
  if (const auto* b = value->get<bool>()) return *b;
  const auto number = floating(value);
  return number && *number == 1.0;
}

}  // namespace tellwick::registry_values

#endif  // TELLWICK_BATTERY_REGISTRY_VALUES_H_
