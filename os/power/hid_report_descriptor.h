#ifndef TELLWICK_OS_POWER_HID_REPORT_DESCRIPTOR_H_
#define TELLWICK_OS_POWER_HID_REPORT_DESCRIPTOR_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace tellwick::os {

// One short item of a HID report descriptor: type 0 main, 1 global, 2 local;
// data is the item's 0, 1, 2 or 4 little-endian bytes, zero-extended.
struct HidItem {
  std::uint8_t type = 0;
  std::uint8_t tag = 0;
  std::uint8_t size = 0;
  std::uint32_t data = 0;
};

inline constexpr std::uint16_t kHidGenericDesktopPage = 0x01;

// Calls visit for each short item in order, stepping over long items. Stops
// early when visit returns false. Returns false when the descriptor ends in
// the middle of an item; the items before it have been visited. Never reads
// outside descriptor.
bool forEachHidItem(std::span<const std::uint8_t> descriptor,
                    const std::function<bool(const HidItem&)>& visit);

// The first usage on the Generic Desktop page (mouse 2, keyboard 6, ...),
// following Usage Page, Push and Pop and 32-bit extended usages; nullopt when
// there is none before the descriptor ends or turns malformed.
std::optional<std::uint16_t> hidPrimaryGenericDesktopUsage(
    std::span<const std::uint8_t> descriptor);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_POWER_HID_REPORT_DESCRIPTOR_H_
