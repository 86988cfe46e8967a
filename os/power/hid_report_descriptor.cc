#include "os/power/hid_report_descriptor.h"

#include <vector>

namespace tellwick::os {
namespace {

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::uint8_t kTypeGlobal = 1;
constexpr std::uint8_t kTypeLocal = 2;
constexpr std::uint8_t kTagUsagePage = 0x0;
constexpr std::uint8_t kTagPush = 0xA;
constexpr std::uint8_t kTagPop = 0xB;
constexpr std::uint8_t kTagUsage = 0x0;
// The kernel allows no deeper global stack either.
constexpr std::size_t kMaxPushDepth = 4;

}  // namespace

bool forEachHidItem(std::span<const std::uint8_t> descriptor,
                    const std::function<bool(const HidItem&)>& visit) {
  std::size_t at = 0;
  while (at < descriptor.size()) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItemPrefix) {
      // Prefix, data size, tag, then the data; nothing defines long items.
      if (descriptor.size() - at < 3) return false;
      const std::size_t length = descriptor[at + 1];
      if (descriptor.size() - at - 3 < length) return false;
      at += 3 + length;
      continue;
    }
    static constexpr std::uint8_t kSizes[] = {0, 1, 2, 4};
    HidItem item;
    item.size = kSizes[prefix & 0x3];
    item.type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
    item.tag = static_cast<std::uint8_t>(prefix >> 4);
    if (descriptor.size() - at - 1 < item.size) return false;
    for (std::uint8_t i = 0; i < item.size; ++i) {
      item.data |= static_cast<std::uint32_t>(descriptor[at + 1 + i]) << (8 * i);
    }
    at += 1 + item.size;
    if (!visit(item)) return true;
  }
  return true;
}

std::optional<std::uint16_t> hidPrimaryGenericDesktopUsage(
    std::span<const std::uint8_t> descriptor) {
  std::uint16_t page = 0;
  std::vector<std::uint16_t> pushed;
  std::optional<std::uint16_t> found;
  forEachHidItem(descriptor, [&](const HidItem& item) {
    if (item.type == kTypeGlobal && item.tag == kTagUsagePage) {
      page = static_cast<std::uint16_t>(item.data);
    } else if (item.type == kTypeGlobal && item.tag == kTagPush) {
      if (pushed.size() == kMaxPushDepth) return false;
      pushed.push_back(page);
    } else if (item.type == kTypeGlobal && item.tag == kTagPop) {
      if (pushed.empty()) return false;
      page = pushed.back();
      pushed.pop_back();
    } else if (item.type == kTypeLocal && item.tag == kTagUsage) {
      // A four-byte usage names its own page in the upper half.
      const std::uint16_t usagePage =
          item.size == 4 ? static_cast<std::uint16_t>(item.data >> 16) : page;
      if (usagePage == kHidGenericDesktopPage) {
        found = static_cast<std::uint16_t>(item.data & 0xFFFF);
        return false;
      }
    }
    return true;
  });
  return found;
}

}  // namespace tellwick::os
