#ifndef TELLWICK_HIDSENSORS_NATIVE_SENSOR_CONTROLLER_H_
#define TELLWICK_HIDSENSORS_NATIVE_SENSOR_CONTROLLER_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "os/sensors/hid_event_system.h"
#include "os/store/property_list.h"

namespace tellwick {

// One reading per matched service, in service order; nullopt for a service
// whose reading could not be taken now (no event: a device asleep, a read
// that failed, a chip going away), which is left out rather than shown as 0.
using SensorReadings = std::vector<std::optional<double>>;

// The three sensor groups of the HID event system as plain lists, index-
// aligned with the matched services: names read at construction, readings
// on demand. A refresh reads the group's names again from the same list of
// services as its readings, so that the names stay aligned with them when
// services came or went. A name is whatever the service's "Product"
// property holds (normally a string). Used by one thread at a time.
class INativeSensorController {
 public:
  virtual ~INativeSensorController() = default;

  // The group's names as of construction or its last refresh; nullopt when
  // the event system listed no services then.
  virtual const std::optional<os::PlistArray>& currentNames() const = 0;
  virtual const std::optional<os::PlistArray>& thermalNames() const = 0;
  virtual const std::optional<os::PlistArray>& voltageNames() const = 0;

  // Fresh readings, one per service now matched, the group's names read
  // anew beside them; nullopt when the event system lists no services.
  virtual std::optional<SensorReadings> refreshCurrentSensors() = 0;
  virtual std::optional<SensorReadings> refreshThermalSensors() = 0;
  virtual std::optional<SensorReadings> refreshVoltageSensors() = 0;
};

class NativeSensorController final : public INativeSensorController {
 public:
  // Reads the three name lists from system, which must outlive this object.
  explicit NativeSensorController(os::HidEventSystem& system);

  // {"PrimaryUsagePage": usagePage, "PrimaryUsage": usage}.
  static os::PlistDictionary matching(std::int32_t usagePage, std::int32_t usage);

  // One entry per service matched, in service order: its "Product" property,
  // or "noname" when it has none. nullopt when no service list is given.
  std::optional<os::PlistArray> getSensorNames(const os::PlistDictionary& matching);

  // One entry per service matched: field 0x190000 of its event of type 25,
  // or nullopt when it has no such event now. nullopt when no service list
  // is given.
  std::optional<SensorReadings> getPowerVoltageValues(const os::PlistDictionary& matching);

  const std::optional<os::PlistArray>& currentNames() const override { return currentSensorNames_; }
  const std::optional<os::PlistArray>& thermalNames() const override { return thermalSensorNames_; }
  const std::optional<os::PlistArray>& voltageNames() const override { return voltageSensorNames_; }

  std::optional<SensorReadings> refreshCurrentSensors() override;
  std::optional<SensorReadings> refreshThermalSensors() override;
  std::optional<SensorReadings> refreshVoltageSensors() override;

 private:
  // With names, the services' names are stored there as well.
  std::optional<SensorReadings> getValues(const os::PlistDictionary& matching,
                                          std::int64_t eventType, std::uint32_t field,
                                          std::optional<os::PlistArray>* names = nullptr);

  os::HidEventSystem& system_;
  os::PlistDictionary currentMatching_;
  os::PlistDictionary thermalMatching_;
  os::PlistDictionary voltageMatching_;
  std::optional<os::PlistArray> currentSensorNames_;
  std::optional<os::PlistArray> thermalSensorNames_;
  std::optional<os::PlistArray> voltageSensorNames_;
};

}  // namespace tellwick

#endif  // TELLWICK_HIDSENSORS_NATIVE_SENSOR_CONTROLLER_H_
