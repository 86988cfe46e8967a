#include "hidsensors/native_sensor_controller.h"

#include <string>

namespace tellwick {
namespace {

constexpr const char* kNoName = "noname";

os::PlistArray namesOf(const std::vector<std::unique_ptr<os::HidServiceClient>>& services) {
  os::PlistArray names;
  names.reserve(services.size());
  for (const auto& service : services) {
    auto product = service->copyProperty(os::kHidProductKey);
    names.push_back(product ? std::move(*product) : os::PlistValue(kNoName));
  }
  return names;
}

}  // namespace

NativeSensorController::NativeSensorController(os::HidEventSystem& system)
    : system_(system),
      currentMatching_(matching(os::kHidPowerUsagePage, os::kHidCurrentUsage)),
      thermalMatching_(matching(os::kHidThermalUsagePage, os::kHidThermalUsage)),
      voltageMatching_(matching(os::kHidPowerUsagePage, os::kHidVoltageUsage)) {
  currentSensorNames_ = getSensorNames(currentMatching_);
  thermalSensorNames_ = getSensorNames(thermalMatching_);
  voltageSensorNames_ = getSensorNames(voltageMatching_);
}

os::PlistDictionary NativeSensorController::matching(std::int32_t usagePage, std::int32_t usage) {
  return {{std::string(os::kHidPrimaryUsagePageKey), static_cast<std::int64_t>(usagePage)},
          {std::string(os::kHidPrimaryUsageKey), static_cast<std::int64_t>(usage)}};
}

std::optional<os::PlistArray> NativeSensorController::getSensorNames(
    const os::PlistDictionary& matching) {
  auto client = system_.createClient();
  client->setMatching(matching);
  const auto services = client->copyServices();
  if (!services) return std::nullopt;
  return namesOf(*services);
}

std::optional<SensorReadings> NativeSensorController::getValues(
    const os::PlistDictionary& matching, std::int64_t eventType, std::uint32_t field,
    std::optional<os::PlistArray>* names) {
  auto client = system_.createClient();
  client->setMatching(matching);
  const auto services = client->copyServices();
  if (names) *names = services ? std::optional(namesOf(*services)) : std::nullopt;
  if (!services) return std::nullopt;
  SensorReadings values;
  values.reserve(services->size());
  for (const auto& service : *services) {
    const auto event = service->copyEvent(eventType);
    // A missing event is a reading not taken, never a reading of 0.
    values.push_back(event ? std::optional<double>(event->floatValue(field)) : std::nullopt);
  }
  return values;
}

std::optional<SensorReadings> NativeSensorController::getPowerVoltageValues(
    const os::PlistDictionary& matching) {
  return getValues(matching, os::kHidEventTypePower, os::kHidPowerMeasureField);
}

std::optional<SensorReadings> NativeSensorController::refreshCurrentSensors() {
  return getValues(currentMatching_, os::kHidEventTypePower, os::kHidPowerMeasureField,
                   &currentSensorNames_);
}

std::optional<SensorReadings> NativeSensorController::refreshThermalSensors() {
  return getValues(thermalMatching_, os::kHidEventTypeTemperature, os::kHidTemperatureLevelField,
                   &thermalSensorNames_);
}

std::optional<SensorReadings> NativeSensorController::refreshVoltageSensors() {
  return getValues(voltageMatching_, os::kHidEventTypePower, os::kHidPowerMeasureField,
                   &voltageSensorNames_);
}

}  // namespace tellwick
