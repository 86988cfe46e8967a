#ifndef TELLWICK_TOOLS_TELLWICKCTL_LE_H_
#define TELLWICK_TOOLS_TELLWICKCTL_LE_H_

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "battery/device_catalogue.h"
#include "battery/low_energy_finder.h"
#include "os/files/resource_bundle.h"

namespace tellwick::ctl {

// Exit statuses of `tellwickctl le`: sysexits' EX_USAGE, EX_UNAVAILABLE (no
// BlueZ, no adapter, or the adapter is off) and EX_CANTCREAT (the monitored
// list could not be stored).
inline constexpr int kLowEnergyUsage = 64;
inline constexpr int kLowEnergyUnavailable = 69;
inline constexpr int kLowEnergyCannotStore = 73;

// `tellwickctl le ARGUMENTS...` (the arguments after "le"); returns the exit
// status. Runs the LE finder over BlueZ on the system bus.
int runLowEnergy(const std::vector<std::string>& arguments);

struct LowEnergyInvocation {
  enum class Action { watch, monitor, unmonitor, help };
  Action action = Action::watch;
  bool json = false;
  bool once = false;
  std::chrono::milliseconds timeout{10'000};
  std::string address;  // monitor and unmonitor: upper case
};

// The invocation, or one line saying what is wrong with the arguments.
struct LowEnergyParse {
  std::optional<LowEnergyInvocation> invocation;
  std::string error;
};
LowEnergyParse parseLowEnergyArguments(const std::vector<std::string>& arguments);

// {"devices": [...]} on one line: each device under its coding keys, then
// "model", "hardwareRevision", "serialNumber", "softwareRevision",
// "firmwareRevision" (null when absent), "isConnected", "isDiscovered",
// "kind" and "symbol".
std::string lowEnergyJsonLine(const LowEnergyDevices& devices, const DeviceCatalogue& catalogue,
                              const os::ResourceBundle& bundle);

// A table with a header line and one line per device; texts from devices are
// made printable and cut to their column.
std::string lowEnergyTable(const LowEnergyDevices& devices, const DeviceCatalogue& catalogue,
                           const os::ResourceBundle& bundle);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_LE_H_
