#include "os/sensors/hid_event_system.h"

#include <variant>

namespace tellwick::os {
namespace {

// Matching values arrive as whatever number type their writer chose; a
// 32-bit usage stored as int64 must still match one stored as uint64.
std::optional<long double> numberOf(const PlistValue& value) {
  if (const auto* i = value.get<std::int64_t>()) return static_cast<long double>(*i);
  if (const auto* u = value.get<std::uint64_t>()) return static_cast<long double>(*u);
  if (const auto* d = value.get<double>()) return static_cast<long double>(*d);
  return std::nullopt;
}

bool sameValue(const PlistValue& a, const PlistValue& b) {
  const auto na = numberOf(a);
  const auto nb = numberOf(b);
  if (na || nb) return na && nb && *na == *nb;
  return a == b;
}

}  // namespace

bool hidMatchingAccepts(const PlistDictionary& matching, const HidServiceClient& service) {
  for (const auto& [key, wanted] : matching) {
    const auto actual = service.copyProperty(key);
    if (!actual || !sameValue(*actual, wanted)) return false;
  }
  return true;
}

}  // namespace tellwick::os
