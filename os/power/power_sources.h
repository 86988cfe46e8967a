#ifndef TELLWICK_OS_POWER_POWER_SOURCES_H_
#define TELLWICK_OS_POWER_POWER_SOURCES_H_

#include <memory>
#include <string_view>

#include "os/result.h"
#include "os/store/property_list.h"

namespace tellwick::os {

// Keys and texts of a power-source description.
inline constexpr std::string_view kPowerSourceNameKey = "Name";
inline constexpr std::string_view kPowerSourceCurrentCapacityKey = "Current Capacity";
inline constexpr std::string_view kPowerSourceMaxCapacityKey = "Max Capacity";
inline constexpr std::string_view kPowerSourceStateKey = "Power Source State";
inline constexpr std::string_view kPowerSourceIsChargingKey = "Is Charging";
inline constexpr std::string_view kPowerSourceIsChargedKey = "Is Charged";
inline constexpr std::string_view kPowerSourceTimeToEmptyKey = "Time to Empty";
inline constexpr std::string_view kPowerSourceTimeToFullKey = "Time to Full Charge";
inline constexpr std::string_view kPowerSourceHealthKey = "BatteryHealth";
inline constexpr std::string_view kPowerSourceACPower = "AC Power";
inline constexpr std::string_view kPowerSourceBatteryPower = "Battery Power";

// The machine's own power sources (its batteries), as the power-management
// service describes them. One thread at a time.
class PowerSources {
 public:
  PowerSources() = default;
  PowerSources(const PowerSources&) = delete;
  PowerSources& operator=(const PowerSources&) = delete;
  virtual ~PowerSources() = default;

  // One description per power source, in the system's order, read now. A
  // description is normally a dictionary under the keys above (a key is
  // missing when its value is unknown; times are minutes, -1 while the
  // system is still estimating); callers must skip any that is not. An
  // empty list means the machine has no battery. Fails, with the reason,
  // only when the power sources cannot be listed at all.
  virtual Result<PlistArray> copyPowerSourceDescriptions() = 0;
};

// The batteries of /sys/class/power_supply that belong to the machine (type
// "Battery", scope not "Device", not an empty bay) as one power source, all
// of them together as the desktop's indicator shows them; read through
// libudev on every call.
std::unique_ptr<PowerSources> newLinuxPowerSources();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_POWER_POWER_SOURCES_H_
