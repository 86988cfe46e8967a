#include "protocol/helper_data_model.h"

namespace tellwick {

std::string_view rawValue(SensorDataModelKey key) {
  switch (key) {
    case SensorDataModelKey::sensors: return "sensors";
    case SensorDataModelKey::fans: return "fans";
    case SensorDataModelKey::traffic: return "traffic";
    case SensorDataModelKey::singleBatteryDevices: return "singleBatteryDevices";
    case SensorDataModelKey::doubleBatteryDevices: return "doubleBatteryDevices";
  }
  return {};
}

std::optional<SensorDataModelKey> sensorDataModelKeyFromRawValue(std::string_view raw) {
  for (auto key : kAllSensorDataModelKeys) {
    if (rawValue(key) == raw) return key;
  }
  return std::nullopt;
}

}  // namespace tellwick
