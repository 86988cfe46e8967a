#ifndef TELLWICK_TOOLS_TELLWICKCTL_LE_H_
#define TELLWICK_TOOLS_TELLWICKCTL_LE_H_

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "battery/device_catalogue.h"
#include "battery/low_energy_finder.h"
#include "os/files/resource_bundle.h"
#include "os/result.h"
#include "tools/tellwickctl/options.h"

namespace tellwick::ctl {

struct LowEnergyInvocation {
  enum class Action { watch, monitor, unmonitor };
  Action action = Action::watch;
  bool json = false;
  bool once = false;
  std::chrono::milliseconds timeout{10'000};
  std::string address;  // monitor and unmonitor: upper case
};

// What `tellwickctl le` was asked to do, or one line on what is wrong.
os::Result<LowEnergyInvocation> lowEnergyInvocation(const CommandLine& line);

// {"devices": [...]} on one line: each device under its coding keys, then
// "model", "hardwareRevision", "serialNumber", "softwareRevision",
// "firmwareRevision" (null when absent), "isConnected", "isDiscovered",
// "kind" and "symbol".
std::string lowEnergyJsonLine(const LowEnergyDevices& devices, const os::ResourceBundle& bundle);

// A table with a header line and one line per device; texts from devices are
// made printable and cut to their column.
std::string lowEnergyTable(const LowEnergyDevices& devices, const os::ResourceBundle& bundle);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_LE_H_
