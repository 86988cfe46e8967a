#include "protocol/device_type.h"

#include <array>

namespace tellwick {
namespace {

struct Entry {
  DeviceType type;
  std::string_view raw;
  std::string_view key;
};

constexpr std::array<Entry, 8> kEntries = {{
    {DeviceType::undefined, "undefined", "UNDEFINED"},
    {DeviceType::keyboard, "Keyboard", "KEYBOARD"},
    {DeviceType::mouse, "Mouse", "MOUSE"},
    {DeviceType::trackpad, "Trackpad", "TRACKPAD"},
    {DeviceType::headphones, "Headphones", "HEADPHONES"},
    {DeviceType::headset, "Headset", "HEADSET"},
    {DeviceType::lowEnergy, "Low Energy", "LOW_ENERGY"},
    {DeviceType::chargingCase, "CHARGING_CASE", "CHARGING_CASE"},
}};

}  // namespace

std::string_view rawValue(DeviceType type) { return kEntries[static_cast<std::size_t>(type)].raw; }

std::optional<DeviceType> deviceTypeFromRawValue(std::string_view raw) {
  for (const auto& e : kEntries) {
    if (e.raw == raw) return e.type;
  }
  return std::nullopt;
}

std::string description(DeviceType type, const os::ResourceBundle& bundle) {
  return os::localizedString(bundle, kBatteryStringTable,
                             kEntries[static_cast<std::size_t>(type)].key);
}

}  // namespace tellwick
