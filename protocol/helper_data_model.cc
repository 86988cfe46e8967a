#include "protocol/helper_data_model.h"

#include <cstdio>
#include <string>
#include <utility>

#include "protocol/distributed_notifications.h"
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

void HelperDataModel::reportToStandardError(const std::string& line) {
  std::fprintf(stderr, "tellwick: %s\n", line.c_str());
}

HelperDataModel::HelperDataModel(os::UserDefaults& userDefaults, os::PropertyListCoder& coder,
                                 Report report)
    : userDefaults_(userDefaults.openSuite(std::string(SensorKitConstants::appGroup))),
      coder_(coder),
      report_(std::move(report)) {
  if (!userDefaults_ && report_) report_("cannot open the shared store; answers are not stored");
}

void postResponse(os::NotificationCenter& center, std::string_view response,
                  IHelperDataModel& model, int count) {
  const auto failure = model.takeWriteFailure();
  for (int i = 0; i < count; ++i) DistributedNotifications::post(center, response, failure);
}

void HelperDataModel::noteWrite(const os::Status& status) {
  if (status) {
    reported_.clear();
    return;
  }
  if (!writeFailure_) writeFailure_ = status.error();
  if (reported_.insert(status.error()).second && report_) {
    report_("cannot store the answer: " + status.error());
  }
}

std::optional<std::string> HelperDataModel::takeWriteFailure() {
  return std::exchange(writeFailure_, std::nullopt);
}

void HelperDataModel::store(SensorDataModelKey key, const os::PlistValue& list) {
  if (!userDefaults_) {
    // Said once, at construction; the client still learns it every time.
    if (!writeFailure_) writeFailure_ = "the shared store cannot be opened";
    return;
  }
  std::string name(rawValue(key));
  if (auto encoded = coder_.encode(list)) {
    noteWrite(os::setData(*userDefaults_, name, std::move(*encoded)));
  } else {
    noteWrite(userDefaults_->removeValue(name));
    noteWrite(os::failure("cannot encode \"" + name + "\": " + encoded.error()));
  }
}

std::optional<os::PlistValue> HelperDataModel::load(SensorDataModelKey key) {
  auto& failure = readFailures_[static_cast<std::size_t>(key)];
  failure.reset();
  if (!userDefaults_) {
    failure = "the shared store cannot be opened";
    return std::nullopt;
  }
  const std::string name(rawValue(key));
  auto stored = userDefaults_->read(name);
  if (!stored) {
    failure = stored.error();
    return std::nullopt;
  }
  if (!*stored) return std::nullopt;
  const auto* data = (*stored)->get<os::PlistData>();
  if (!data) {
    failure = "\"" + name + "\" does not hold data";
    return std::nullopt;
  }
  auto decoded = coder_.decode(*data);
  if (!decoded) {
    failure = "\"" + name + "\" cannot be decoded: " + decoded.error();
    return std::nullopt;
  }
  return std::move(*decoded);
}

template <typename Decode>
auto HelperDataModel::loadRecords(SensorDataModelKey key, Decode decode)
    -> decltype(decode(os::PlistValue())) {
  auto list = load(key);
  if (!list) return std::nullopt;
  auto records = decode(*list);
  if (!records) {
    readFailures_[static_cast<std::size_t>(key)] =
        "\"" + std::string(rawValue(key)) + "\" does not hold a list of its records";
  }
  return records;
}

std::optional<std::string> HelperDataModel::readFailure(SensorDataModelKey key) const {
  return readFailures_[static_cast<std::size_t>(key)];
}

void HelperDataModel::clear() {
  if (!userDefaults_) return;
  for (auto key : kAllSensorDataModelKeys) noteWrite(userDefaults_->removeValue(std::string(rawValue(key))));
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
  return loadRecords(SensorDataModelKey::sensors, decodeSensors);
}

std::optional<std::vector<Fan>> HelperDataModel::fans() {
  return loadRecords(SensorDataModelKey::fans, decodeFans);
}

std::optional<std::vector<ProcessTrafficInfo>> HelperDataModel::traffic() {
  return loadRecords(SensorDataModelKey::traffic, decodeTraffic);
}

std::optional<SingleBatteryDevices> HelperDataModel::singleBatteryDevices() {
  return loadRecords(SensorDataModelKey::singleBatteryDevices, decodeSingleBatteryDevices);
}

std::optional<DoubleBatteryDevices> HelperDataModel::doubleBatteryDevices() {
  return loadRecords(SensorDataModelKey::doubleBatteryDevices, decodeDoubleBatteryDevices);
}

}  // namespace tellwick
