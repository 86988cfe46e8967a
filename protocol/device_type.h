#ifndef TELLWICK_PROTOCOL_DEVICE_TYPE_H_
#define TELLWICK_PROTOCOL_DEVICE_TYPE_H_

#include <optional>
#include <string>
#include <string_view>

#include "os/files/resource_bundle.h"

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
// The localized text of the type's key ("UNDEFINED", "KEYBOARD", ...,
// "LOW_ENERGY", "CHARGING_CASE") from the bundle's "battery" string table; the
// key itself when there is no translation.
std::string description(DeviceType type, const os::ResourceBundle& bundle);

// The string table of the battery library's texts.
inline constexpr std::string_view kBatteryStringTable = "battery";

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_DEVICE_TYPE_H_
