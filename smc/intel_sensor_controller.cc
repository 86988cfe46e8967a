#include "smc/intel_sensor_controller.h"

#include "protocol/helper_notifications.h"

namespace tellwick {

IntelSensorController::IntelSensorController(IHelperDataModel& model,
                                             os::NotificationCenter& center,
                                             os::SmcUserClient& client, os::MainQueue* loop)
    : model_(model),
      center_(center),
      smc_(client),
      requests_(loop, [this] { return sample(); },
                [this](const std::vector<Sensor>& sensors, int answered) {
                  model_.setSensors(sensors);
                  postResponse(center_, HelperNotifications::responseSensors, model_, answered);
                }) {}

IntelSensorController::~IntelSensorController() {
  requests_.stop();
  smc_.closeConnection();
  availableSensors_.clear();
  model_.clear();
}

void IntelSensorController::start(const std::vector<Sensor>& catalogue) {
  smc_.openConnection();
  availableSensors_.clear();
  findAvailableSensors(catalogue);
}

void IntelSensorController::findAvailableSensors(const std::vector<Sensor>& catalogue) {
  for (const Sensor& entry : catalogue) {
    if (smc_.readKeyValue(entry.identifier)) availableSensors_.push_back(entry);
  }
}

void IntelSensorController::updateSensors() { requests_.arrive(); }

std::vector<Sensor> IntelSensorController::sample() {
  std::vector<Sensor> sensors;
  for (const Sensor& entry : availableSensors_) {
    auto value = smc_.readKeyValue(entry.identifier);
    // NaN fails "<= 0" and is reported: the decoder's output is not judged
    // beyond the sign.
    if (!value || *value <= 0) continue;
    sensors.emplace_back(entry.identifier, entry.description, *value);
  }
  return sensors;
}

}  // namespace tellwick
