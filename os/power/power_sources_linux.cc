// The machine's batteries from the kernel's power_supply class.

#include <utility>

#include "os/power/power_sources.h"
#include "os/power/udev_power_supply.h"

namespace tellwick::os {
namespace {

using namespace udev_power;

// The machine's batteries as one source, as the platform describes a
// machine's battery and as the desktop's indicator shows them.
PlistDictionary describe(const MachinePower& power) {
  const Supply battery = combined(power.batteries);
  const bool onAdapter = power.onAdapter;
  PlistDictionary d;
  d.emplace_back(std::string(kPowerSourceNameKey), battery.name);
  if (auto percent = percentCharged(battery)) {
    d.emplace_back(std::string(kPowerSourceCurrentCapacityKey), *percent);
  }
  if (auto percent = percentOfDesign(battery)) {
    d.emplace_back(std::string(kPowerSourceMaxCapacityKey), *percent);
  }
  d.emplace_back(std::string(kPowerSourceStateKey),
                 std::string(onAdapter ? kPowerSourceACPower : kPowerSourceBatteryPower));
  d.emplace_back(std::string(kPowerSourceIsChargingKey), battery.status == "Charging");
  d.emplace_back(std::string(kPowerSourceIsChargedKey), battery.status == "Full");
  d.emplace_back(std::string(kPowerSourceTimeToEmptyKey), minutesToEmpty(battery));
  d.emplace_back(std::string(kPowerSourceTimeToFullKey), minutesToFull(battery));
  if (auto health = healthText(power.batteries))
    d.emplace_back(std::string(kPowerSourceHealthKey), *health);
  return d;
}

class LinuxPowerSources final : public PowerSources {
 public:
  Result<PlistArray> copyPowerSourceDescriptions() override {
    Udev context(udev_new());
    if (!context) return failure("power sources: libudev cannot be used");
    const MachinePower power = readMachinePower(context.get());
    PlistArray descriptions;
    if (!power.batteries.empty()) descriptions.emplace_back(describe(power));
    return descriptions;
  }
};

}  // namespace

std::unique_ptr<PowerSources> newLinuxPowerSources() {
  return std::make_unique<LinuxPowerSources>();
}

}  // namespace tellwick::os
