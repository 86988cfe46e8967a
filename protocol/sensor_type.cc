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

}  // namespace tellwick
