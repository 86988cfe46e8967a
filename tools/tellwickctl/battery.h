#ifndef TELLWICK_TOOLS_TELLWICKCTL_BATTERY_H_
#define TELLWICK_TOOLS_TELLWICKCTL_BATTERY_H_

// `tellwickctl battery` and `tellwickctl peripherals`: read this machine's
// battery and its HID peripherals' batteries directly, without the helper.

#include <string>
#include <vector>

#include "battery/bluetooth_finder.h"
#include "battery/internal_battery.h"

namespace tellwick::ctl {

// {"internalBattery": null} or the 25 properties under their names, after
// "class" ("apple" or "legacy"); absent values null, the date "YYYY-MM-DD",
// the condition "good", "fair" or "poor".
std::string internalBatteryJson(const InternalBattery* battery);
// One line per property; "no internal battery" when there is none.
std::string internalBatteryText(const InternalBattery* battery);
// {"peripherals": [...]}, each device under its coding keys.
std::string peripheralsJson(const BatteryDevices& devices);
// A table of the devices, or "no peripheral batteries".
std::string peripheralsText(const BatteryDevices& devices);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_BATTERY_H_
