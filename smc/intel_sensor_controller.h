#ifndef TELLWICK_SMC_INTEL_SENSOR_CONTROLLER_H_
#define TELLWICK_SMC_INTEL_SENSOR_CONTROLLER_H_

#include <optional>
#include <string_view>
#include <vector>

#include "os/bus/main_queue.h"
#include "os/bus/notification_center.h"
#include "os/sensors/smc_user_client.h"
#include "platform/sampled_requests.h"
#include "protocol/controllers.h"
#include "protocol/helper_data_model.h"
#include "protocol/sensor.h"
#include "smc/smc_connection.h"

namespace tellwick {

// Answers the sensors request on Intel machines from the keys of a fixed
// catalogue that this machine could read at start-up, over a connection of
// its own. The collaborators are not owned and must outlive the controller.
class IntelSensorController final : public ISensorController {
 public:
  // Builds the controller without touching the hardware; call start. With
  // a loop, requests are sampled off it (see SampleWorker), and those that
  // arrive meanwhile share the next sample; without one, at once.
  IntelSensorController(IHelperDataModel& model, os::NotificationCenter& center,
                        os::SmcUserClient& client, os::MainQueue* loop = nullptr);
  // Closes the connection and clears every answer in the store (all keys,
  // not only the sensors).
  ~IntelSensorController() override;

  // Opens the connection and probes catalogue (normally Sensors::all()),
  // keeping, in catalogue order, every entry whose key reads and decodes now,
  // whatever its value. Called once, by whoever builds the controller.
  void start(const std::vector<Sensor>& catalogue);

  // Stores the available sensors that read a positive (or NaN) value now, in
  // catalogue order, then posts the sensors response.
  void updateSensors() override;

  const std::vector<Sensor>& availableSensors() const { return availableSensors_; }
  os::ConnectionHandle connection() const { return smc_.connection(); }

 private:
  void findAvailableSensors(const std::vector<Sensor>& catalogue);
  std::vector<Sensor> sample();

  IHelperDataModel& model_;
  os::NotificationCenter& center_;
  SmcConnection smc_;
  std::vector<Sensor> availableSensors_;
  SampledRequests<std::vector<Sensor>> requests_;  // last: it stops first
};

}  // namespace tellwick

#endif  // TELLWICK_SMC_INTEL_SENSOR_CONTROLLER_H_
