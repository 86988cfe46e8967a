#ifndef TELLWICK_PROTOCOL_JSON_VALUE_H_
#define TELLWICK_PROTOCOL_JSON_VALUE_H_

#include <optional>
#include <string_view>

#include "os/store/property_list.h"

namespace tellwick {

// Parses JSON text into the property-list tree so that records decode the
// same way from JSON as from a stored property list: null becomes PlistNull,
// non-negative integers std::uint64_t when above the signed range and
// std::int64_t otherwise, other numbers double; objects keep their key order.
// nullopt when text is not valid JSON. Pure; any thread.
std::optional<os::PlistValue> plistValueFromJson(std::string_view text);

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_JSON_VALUE_H_
