#include "protocol/sensor_type.h"

namespace tellwick {

std::optional<SensorType> sensorTypeFromRawValue(std::uint8_t raw) {
  if (raw > rawValue(SensorType::fan)) return std::nullopt;
  return static_cast<SensorType>(raw);
}

std::string localizedName(SensorType type, const os::ResourceBundle& bundle) {
  static constexpr std::string_view kKeys[] = {"UNKNOWN", "THERMAL", "VOLTAGE",
                                               "CURRENT", "POWER",   "FAN"};
  return os::localizedString(bundle, kProtocolStringTable, kKeys[rawValue(type)]);
}

const char* unitSymbol(SensorType type) {
  switch (type) {
    case SensorType::thermal: return "°C";
    case SensorType::voltage: return "V";
    case SensorType::current: return "A";
    case SensorType::power: return "W";
    case SensorType::unknown:
    case SensorType::fan: break;
  }
  return "";
}

}  // namespace tellwick
