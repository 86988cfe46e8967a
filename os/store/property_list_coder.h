#ifndef TELLWICK_OS_STORE_PROPERTY_LIST_CODER_H_
#define TELLWICK_OS_STORE_PROPERTY_LIST_CODER_H_

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "os/result.h"
#include "os/store/property_list.h"

namespace tellwick::os {

// Turns a PlistValue tree into property-list bytes and back.
//
// Conventions shared by every implementation:
// - encode writes the binary format (the bytes begin with "bplist00").
//   PlistNull is written as the string "$null". Dictionary keys keep their
//   order. Integers keep their value exactly, including unsigned values at
//   or above 2^63, which other readers see as positive.
// - decode accepts the binary and the XML format. The string "$null" comes
//   back as PlistNull. An integer comes back as std::int64_t when it fits
//   one, otherwise (2^63 and above) as std::uint64_t; readers should use
//   plistInt64 / plistUInt64 below rather than look at the alternative.
// Methods are safe to call from any thread.
class PropertyListCoder {
 public:
  PropertyListCoder() = default;
  PropertyListCoder(const PropertyListCoder&) = delete;
  PropertyListCoder& operator=(const PropertyListCoder&) = delete;
  virtual ~PropertyListCoder() = default;

  // The encoded bytes, in time linear in the size of value; fails only for
  // a tree nested deeper than 256 levels. Strings may hold U+0000; a byte
  // sequence that is not UTF-8 is written as U+FFFD, so one bad name costs
  // only its bad bytes. Dictionaries are written as given, repeated keys too.
  virtual Result<PlistData> encode(const PlistValue& value) = 0;

  // The decoded tree, in time and stack bounded by the size of bytes and
  // the 256-level limit, whatever bytes hold; fails (not a property list,
  // truncated, nested too deep, a date, UID or set value that the tree
  // cannot hold) with the reason. A string that is not valid text costs only
  // its bad sequences, each read as U+FFFD.
  virtual Result<PlistValue> decode(std::span<const std::uint8_t> bytes) = 0;
};

// The coder: binary lists read and written by our own iterative code, XML
// read through libplist once its nesting has been checked.
std::unique_ptr<PropertyListCoder> newLinuxPropertyListCoder();

// The integer in value as a signed 64-bit number, whichever alternative holds
// it; nullopt when value is not an integer or does not fit.
inline std::optional<std::int64_t> plistInt64(const PlistValue& value) {
  if (const auto* s = value.get<std::int64_t>()) return *s;
  if (const auto* u = value.get<std::uint64_t>()) {
    if (*u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return static_cast<std::int64_t>(*u);
    }
  }
  return std::nullopt;
}

// The integer in value as an unsigned 64-bit number; nullopt when value is
// not an integer or is negative.
inline std::optional<std::uint64_t> plistUInt64(const PlistValue& value) {
  if (const auto* u = value.get<std::uint64_t>()) return *u;
  if (const auto* s = value.get<std::int64_t>()) {
    if (*s >= 0) return static_cast<std::uint64_t>(*s);
  }
  return std::nullopt;
}

}  // namespace tellwick::os

#endif  // TELLWICK_OS_STORE_PROPERTY_LIST_CODER_H_
