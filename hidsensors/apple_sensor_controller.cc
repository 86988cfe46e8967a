#include "hidsensors/apple_sensor_controller.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "protocol/helper_notifications.h"

namespace tellwick {
namespace {

std::string identifierFor(std::string_view prefix, std::size_t position) {
  char number[24];
  std::snprintf(number, sizeof number, "%03zu", position);
  std::string identifier(prefix);
  identifier += number;
  return identifier;
}

void appendGroup(std::vector<Sensor>& sensors, const std::optional<os::PlistArray>& names,
                 const std::optional<SensorReadings>& readings, std::string_view prefix) {
  if (!names || !readings) return;
  auto group = AppleSensorController::makeSensors(*names, *readings, prefix);
  sensors.insert(sensors.end(), std::make_move_iterator(group.begin()),
                 std::make_move_iterator(group.end()));
}

}  // namespace

AppleSensorController::AppleSensorController(IHelperDataModel& model,
                                             os::NotificationCenter& center,
                                             INativeSensorController& nativeController,
                                             os::MainQueue* loop)
    : model_(model),
      center_(center),
      nativeController_(nativeController),
      requests_(loop, [this] { return sample(); },
                [this](const std::vector<Sensor>& sensors, int answered) {
                  model_.setSensors(sensors);
                  postResponse(center_, HelperNotifications::responseSensors, model_, answered);
                }) {}

std::vector<Sensor> AppleSensorController::makeSensors(const os::PlistArray& names,
                                                       const SensorReadings& readings,
                                                       std::string_view prefix) {
  std::vector<Sensor> sensors;
  if (names.empty() || readings.empty() || names.size() != readings.size()) return sensors;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto* name = names[i].get<std::string>();
    if (name == nullptr || !readings[i]) continue;
    sensors.emplace_back(identifierFor(prefix, i + 1), *name, *readings[i]);
  }
  return sensors;
}

void AppleSensorController::updateSensors() { requests_.arrive(); }

std::vector<Sensor> AppleSensorController::sample() {
  std::vector<Sensor> sensors;
  // Readings are fetched even for a group without names, as every request
  // samples all three groups.
  {
    const auto readings = nativeController_.refreshCurrentSensors();
    appendGroup(sensors, nativeController_.currentNames(), readings, "appleCurrent");
  }
  {
    const auto readings = nativeController_.refreshThermalSensors();
    appendGroup(sensors, nativeController_.thermalNames(), readings, "appleThermal");
  }
  {
    const auto readings = nativeController_.refreshVoltageSensors();
    appendGroup(sensors, nativeController_.voltageNames(), readings, "appleVoltage");
  }
  // std::string compares as unsigned bytes, which for UTF-8 is code point
  // order: upper case before lower case, as the clients expect.
  std::stable_sort(sensors.begin(), sensors.end(),
                   [](const Sensor& a, const Sensor& b) { return a.description < b.description; });
  return sensors;
}

}  // namespace tellwick
