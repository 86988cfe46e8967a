#ifndef TELLWICK_BATTERY_LOW_ENERGY_PERSISTENCY_H_
#define TELLWICK_BATTERY_LOW_ENERGY_PERSISTENCY_H_

#include <optional>
#include <string>
#include <vector>

#include "os/result.h"
#include "os/store/user_defaults.h"

namespace tellwick {

// The LE finder's memory across launches, in the process's own defaults
// domain: peripherals without a battery service ("NoBatteryServiceDevices")
// and peripherals to connect as soon as they are seen ("MonitoredDevicesKey").
// Each list is read once, on first use, and kept in memory; a missing key or
// a value that is not a list of texts reads as an empty list. Main thread.
class LowEnergyPersistency {
 public:
  static constexpr const char* kNoBatteryServiceDevicesKey = "NoBatteryServiceDevices";
  static constexpr const char* kMonitoredDevicesKey = "MonitoredDevicesKey";

  // domain is not owned and must outlive this object.
  explicit LowEnergyPersistency(os::UserDefaultsDomain& domain) : domain_(domain) {}
  LowEnergyPersistency(const LowEnergyPersistency&) = delete;
  LowEnergyPersistency& operator=(const LowEnergyPersistency&) = delete;

  const std::vector<std::string>& noBatteryServiceDevices();
  const std::vector<std::string>& monitoredDevices();
  // Store the whole list and replace the in-memory copy. The copy is
  // replaced also when the store fails, so the running process still
  // honours it; the failure says why it will not outlive the process.
  os::Status setNoBatteryServiceDevices(std::vector<std::string> identifiers);
  os::Status setMonitoredDevices(std::vector<std::string> identifiers);

  // Read the list afresh from the domain, append identifier when missing,
  // store.
  os::Status addNoBatteryServiceDevice(const std::string& identifier);
  os::Status addMonitoredDevice(const std::string& identifier);
  // Read afresh, drop every entry equal to identifier, store.
  os::Status removeMonitoredDevice(const std::string& identifier);

  bool isExcluded(const std::string& identifier);
  // False for an absent identifier.
  bool isMonitored(const std::optional<std::string>& identifier);

 private:
  std::vector<std::string> read(const char* key);
  os::Status write(const char* key, const std::vector<std::string>& list);

  os::UserDefaultsDomain& domain_;
  std::optional<std::vector<std::string>> noBatteryService_;
  std::optional<std::vector<std::string>> monitored_;
};

// The process's own defaults suite: the running program's name.
std::string programDefaultsSuite();

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_LOW_ENERGY_PERSISTENCY_H_
