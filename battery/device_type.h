#ifndef TELLWICK_BATTERY_DEVICE_TYPE_H_
#define TELLWICK_BATTERY_DEVICE_TYPE_H_

#include <optional>
#include <string>
#include <string_view>

namespace tellwick {

enum class DeviceType {
  undefined,
  keyboard,
  mouse,
  trackpad,
  headphones,
  headset,
  lowEnergy,
  chargingCase,
};

// The coded form: "undefined", "Keyboard", ..., "Low Energy", "CHARGING_CASE".
std::string_view rawValue(DeviceType type);
// Exact, case-sensitive match of a raw value; anything else gives no type.
std::optional<DeviceType> deviceTypeFromRawValue(std::string_view raw);
// The localized text of the type's key ("KEYBOARD", ...) from the battery string table.
std::string description(DeviceType type);

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_DEVICE_TYPE_H_
