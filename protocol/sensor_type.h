#ifndef TELLWICK_PROTOCOL_SENSOR_TYPE_H_
#define TELLWICK_PROTOCOL_SENSOR_TYPE_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>

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

// The localized text for "UNKNOWN", "THERMAL", ... "FAN"; the key itself when
// the string table has no translation.
std::string localizedName(SensorType type);

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_SENSOR_TYPE_H_
