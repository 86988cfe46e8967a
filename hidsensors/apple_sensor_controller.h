#ifndef TELLWICK_HIDSENSORS_APPLE_SENSOR_CONTROLLER_H_
#define TELLWICK_HIDSENSORS_APPLE_SENSOR_CONTROLLER_H_

#include <string_view>
#include <vector>

#include "hidsensors/native_sensor_controller.h"
#include "os/bus/main_queue.h"
#include "os/bus/notification_center.h"
#include "os/store/property_list.h"
#include "platform/sampled_requests.h"
#include "protocol/controllers.h"
#include "protocol/helper_data_model.h"
#include "protocol/sensor.h"

namespace tellwick {

// Answers the sensor request from the HID event system's three groups:
// current, thermal, voltage, each pair of name and reading becoming one
// record whose identifier carries the group ("appleThermal001"), the whole
// list sorted by description. Holds its collaborators without owning them.
// With a loop, the groups are sampled off it (see SampleWorker), the reader
// used on the worker's thread only, and requests that arrive meanwhile share
// the next sample; without one, at once.
class AppleSensorController final : public ISensorController {
 public:
  AppleSensorController(IHelperDataModel& model, os::NotificationCenter& center,
                        INativeSensorController& nativeController,
                        os::MainQueue* loop = nullptr);

  // Samples the three groups, stores the sorted list (even when empty) and
  // then posts the sensors response.
  void updateSensors() override;

  // One record per position whose name is a string and whose reading was
  // taken: identifier prefix + the position counted from 1 ("%03d"), the
  // name as description, the reading as value. Empty when either list is
  // empty or their lengths differ; a skipped position still uses up its
  // number, so the others keep theirs.
  static std::vector<Sensor> makeSensors(const os::PlistArray& names,
                                         const SensorReadings& readings,
                                         std::string_view prefix);

 private:
  std::vector<Sensor> sample();

  IHelperDataModel& model_;
  os::NotificationCenter& center_;
  INativeSensorController& nativeController_;
  SampledRequests<std::vector<Sensor>> requests_;  // last: it stops first
};

}  // namespace tellwick

#endif  // TELLWICK_HIDSENSORS_APPLE_SENSOR_CONTROLLER_H_
