#ifndef TELLWICK_PROTOCOL_SENSOR_TYPE_H_
#define TELLWICK_PROTOCOL_SENSOR_TYPE_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "os/files/resource_bundle.h"

namespace tellwick {

enum class SensorType : std::uint8_t {
  unknown = 0,
  thermal = 1,
  voltage = 2,
  current = 3,
  power = 4,
  fan = 5,
};

inline constexpr std::array<SensorType, 6> kAllSensorTypes = {
    SensorType::unknown, SensorType::thermal,
    SensorType::voltage, SensorType::current, SensorType::power, SensorType::fan};

// No type for a raw value of 6 or more.
std::optional<SensorType> sensorTypeFromRawValue(std::uint8_t raw);
inline std::uint8_t rawValue(SensorType type) { return static_cast<std::uint8_t>(type); }

// The localized text for "UNKNOWN", "THERMAL", "VOLTAGE", "CURRENT", "POWER"
// or "FAN" from the bundle's "protocol" string table; the key itself when the
// table has no translation.
std::string localizedName(SensorType type, const os::ResourceBundle& bundle);

// The unit a reading of type is shown in ("°C", "V", "A", "W"); empty for
// types that have none.
const char* unitSymbol(SensorType type);

// The string table of the protocol library's texts.
inline constexpr std::string_view kProtocolStringTable = "protocol";

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_SENSOR_TYPE_H_
