// The machine's batteries from the kernel's power_supply class.

#include <utility>

#include "os/power/power_sources.h"
#include "os/power/udev_power_supply.h"

namespace tellwick::os {
namespace {

using namespace udev_power;

PlistDictionary describe(const Supply& battery, bool onAdapter) {
  PlistDictionary d;
  d.emplace_back(std::string(kPowerSourceNameKey), battery.name);
  if (auto percent = percentCharged(battery)) {
    d.emplace_back(std::string(kPowerSourceCurrentCapacityKey), *percent);
  }
  d.emplace_back(std::string(kPowerSourceMaxCapacityKey), percentOfDesign(battery));
  d.emplace_back(std::string(kPowerSourceStateKey),
                 std::string(onAdapter ? kPowerSourceACPower : kPowerSourceBatteryPower));
  d.emplace_back(std::string(kPowerSourceIsChargingKey), battery.status == "Charging");
  d.emplace_back(std::string(kPowerSourceIsChargedKey), battery.status == "Full");
  d.emplace_back(std::string(kPowerSourceTimeToEmptyKey), minutesToEmpty(battery));
  d.emplace_back(std::string(kPowerSourceTimeToFullKey), minutesToFull(battery));
  if (auto health = healthText(battery))
    d.emplace_back(std::string(kPowerSourceHealthKey), *health);
  return d;
}

class LinuxPowerSources final : public PowerSources {
 public:
  Result<PlistArray> copyPowerSourceDescriptions() override {
    Udev context(udev_new());
    if (!context) return failure("power sources: libudev cannot be used");
    std::vector<Supply> batteries;
    bool onAdapter = false;
    for (const auto& path : listDevices(context.get(), "power_supply")) {
      // A supply that went away since the listing is simply not there.
      if (!deviceExists(path)) continue;
      const Supply kind = readSupply(path, true);
      if (isOnlineAdapter(kind)) onAdapter = true;
      if (isSystemBattery(kind)) batteries.push_back(readSupply(path));
    }
    PlistArray descriptions;
    for (const auto& battery : batteries) descriptions.emplace_back(describe(battery, onAdapter));
    return descriptions;
  }
};

}  // namespace

std::unique_ptr<PowerSources> newLinuxPowerSources() {
  return std::make_unique<LinuxPowerSources>();
}

}  // namespace tellwick::os
