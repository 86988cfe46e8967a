#ifndef TELLWICK_PROTOCOL_HELPER_DATA_MODEL_H_
#define TELLWICK_PROTOCOL_HELPER_DATA_MODEL_H_

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "battery/battery_device.h"
#include "protocol/fan.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"

namespace tellwick {

enum class SensorDataModelKey { sensors, fans, traffic, singleBatteryDevices, doubleBatteryDevices };

inline constexpr std::array<SensorDataModelKey, 5> kAllSensorDataModelKeys = {
    SensorDataModelKey::sensors, SensorDataModelKey::fans, SensorDataModelKey::traffic,
    SensorDataModelKey::singleBatteryDevices, SensorDataModelKey::doubleBatteryDevices};

// "sensors", "fans", "traffic", "singleBatteryDevices", "doubleBatteryDevices".
std::string_view rawValue(SensorDataModelKey key);
std::optional<SensorDataModelKey> sensorDataModelKeyFromRawValue(std::string_view raw);

// The payload channel between helper and clients: one encoded list per key in
// the shared preferences domain. Nothing here fails loudly: writes that cannot
// happen are skipped, reads that cannot decode are absent.
class IHelperDataModel {
 public:
  virtual ~IHelperDataModel() = default;
  virtual void clear() = 0;
  virtual void setSensors(const std::vector<Sensor>& sensors) = 0;
  virtual void setFans(const std::vector<Fan>& fans) = 0;
  virtual void setTraffic(const std::vector<ProcessTrafficInfo>& traffic) = 0;
  virtual void setSingleBatteryDevices(const SingleBatteryDevices& devices) = 0;
  virtual void setDoubleBatteryDevices(const DoubleBatteryDevices& devices) = 0;
  virtual std::optional<std::vector<Sensor>> sensors() = 0;
  virtual std::optional<std::vector<Fan>> fans() = 0;
  virtual std::optional<std::vector<ProcessTrafficInfo>> traffic() = 0;
  virtual std::optional<SingleBatteryDevices> singleBatteryDevices() = 0;
  virtual std::optional<DoubleBatteryDevices> doubleBatteryDevices() = 0;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_HELPER_DATA_MODEL_H_
