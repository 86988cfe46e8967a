#ifndef TELLWICK_PROTOCOL_VERSION_ORDER_H_
#define TELLWICK_PROTOCOL_VERSION_ORDER_H_

#include <compare>
#include <string_view>

namespace tellwick {

// Orders two version texts: runs of ASCII digits compare by their numeric
// value (of any length; leading zeros do not count), every other byte by its
// value; no locale. When one text runs out first it orders first, so "1.2"
// comes before "1.2.0". Pure; any thread.
std::strong_ordering numericOrder(std::string_view a, std::string_view b);

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_VERSION_ORDER_H_
