#include "protocol/helper_data_model.h"

#include <string>

#include "protocol/record_coding.h"
#include "protocol/sensor_kit_constants.h"

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

HelperDataModel::HelperDataModel(os::UserDefaults& userDefaults, os::PropertyListCoder& coder)
    : userDefaults_(userDefaults.openSuite(std::string(SensorKitConstants::appGroup))),
      coder_(coder) {}

void HelperDataModel::store(SensorDataModelKey key, const os::PlistValue& list) {
  if (!userDefaults_) return;
  std::string name(rawValue(key));
  // Nothing reports a failed write: the client simply reads what is there.
  if (auto encoded = coder_.encode(list)) {
    (void)os::setData(*userDefaults_, name, std::move(*encoded));
  } else {
    (void)userDefaults_->removeValue(name);
  }
}

std::optional<os::PlistValue> HelperDataModel::load(SensorDataModelKey key) {
  if (!userDefaults_) return std::nullopt;
  auto data = os::dataForKey(*userDefaults_, std::string(rawValue(key)));
  if (!data) return std::nullopt;
  auto decoded = coder_.decode(*data);
  if (!decoded) return std::nullopt;
  return std::move(*decoded);
}

void HelperDataModel::clear() {
  if (!userDefaults_) return;
  for (auto key : kAllSensorDataModelKeys) {
    (void)userDefaults_->removeValue(std::string(rawValue(key)));
  }
}

void HelperDataModel::setSensors(const std::vector<Sensor>& sensors) {
  store(SensorDataModelKey::sensors, encodeSensors(sensors));
}

void HelperDataModel::setFans(const std::vector<Fan>& fans) {
  store(SensorDataModelKey::fans, encodeFans(fans));
}

void HelperDataModel::setTraffic(const std::vector<ProcessTrafficInfo>& traffic) {
  store(SensorDataModelKey::traffic, encodeTraffic(traffic));
}

void HelperDataModel::setSingleBatteryDevices(const SingleBatteryDevices& devices) {
  store(SensorDataModelKey::singleBatteryDevices, encodeSingleBatteryDevices(devices));
}

void HelperDataModel::setDoubleBatteryDevices(const DoubleBatteryDevices& devices) {
  store(SensorDataModelKey::doubleBatteryDevices, encodeDoubleBatteryDevices(devices));
}

std::optional<std::vector<Sensor>> HelperDataModel::sensors() {
  auto list = load(SensorDataModelKey::sensors);
  return list ? decodeSensors(*list) : std::nullopt;
}

std::optional<std::vector<Fan>> HelperDataModel::fans() {
  auto list = load(SensorDataModelKey::fans);
  return list ? decodeFans(*list) : std::nullopt;
}

std::optional<std::vector<ProcessTrafficInfo>> HelperDataModel::traffic() {
  auto list = load(SensorDataModelKey::traffic);
  return list ? decodeTraffic(*list) : std::nullopt;
}

std::optional<SingleBatteryDevices> HelperDataModel::singleBatteryDevices() {
  auto list = load(SensorDataModelKey::singleBatteryDevices);
  return list ? decodeSingleBatteryDevices(*list) : std::nullopt;
}

std::optional<DoubleBatteryDevices> HelperDataModel::doubleBatteryDevices() {
  auto list = load(SensorDataModelKey::doubleBatteryDevices);
  return list ? decodeDoubleBatteryDevices(*list) : std::nullopt;
}

}  // namespace tellwick
