// The internal battery and the HID finder over the laptop device tree,
// beside a shell loop that reads the same sysfs files and beside plain
// in-process reads of them.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "battery/bluetooth_finder.h"
#include "battery/internal_battery.h"
#include "bench/umockdev_main.h"
#include "os/power/io_registry.h"
#include "os/power/power_sources.h"

namespace tellwick {
namespace {

const std::string kSupplies = "/sys/class/power_supply/";
const char* const kBatteryFiles[] = {"type",
                                     "scope",
                                     "status",
                                     "health",
                                     "capacity",
                                     "capacity_level",
                                     "manufacturer",
                                     "model_name",
                                     "charge_now",
                                     "charge_full",
                                     "charge_full_design",
                                     "energy_now",
                                     "energy_full",
                                     "energy_full_design",
                                     "current_now",
                                     "power_now",
                                     "voltage_now",
                                     "voltage_min_design",
                                     "time_to_empty_now",
                                     "time_to_full_now",
                                     "cycle_count",
                                     "temp"};

os::VendorNames noVendors() {
  return [](std::uint16_t) { return std::optional<std::string>(); };
}

void BM_FindInternalBattery(benchmark::State& state) {
  auto registry = os::newLinuxIoRegistry(noVendors());
  auto sources = os::newLinuxPowerSources();
  for (auto _ : state) {
    InternalFinder finder(*registry, *sources);
    auto battery = finder.find();
    if (!battery) {
      state.SkipWithError("the device tree should have a battery");
      break;
    }
    battery->update(finder.serviceInternal());
    benchmark::DoNotOptimize(battery->level());
  }
}
BENCHMARK(BM_FindInternalBattery)->Unit(benchmark::kMicrosecond);

void BM_HidFinderScan(benchmark::State& state) {
  auto registry = os::newLinuxIoRegistry(noVendors());
  BluetoothFinder finder(*registry);
  for (auto _ : state) {
    auto devices = finder.findDevices();
    if (devices.size() != 2) {
      state.SkipWithError("the device tree should have two HID batteries");
      break;
    }
  }
}
BENCHMARK(BM_HidFinderScan)->Unit(benchmark::kMicrosecond);

// What a script pays: one shell that reads every attribute of every supply.
void BM_ShellLoopOverSupplies(benchmark::State& state) {
  const std::string command =
      "/bin/sh -c 'for d in /sys/class/power_supply/*; do for f in \"$d\"/*; do "
      "[ -f \"$f\" ] && read -r v < \"$f\"; done; done; echo done'";
  for (auto _ : state) {
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[64] = {};
    const bool read = pipe && std::fgets(buffer, sizeof buffer, pipe);
    if (pipe) ::pclose(pipe);
    if (!read || std::string(buffer) != "done\n") {
      state.SkipWithError("the shell loop failed");
      break;
    }
  }
}
BENCHMARK(BM_ShellLoopOverSupplies)->Unit(benchmark::kMicrosecond);

// The floor: the battery's attribute files opened, read and closed in place.
void BM_DirectBatteryFiles(benchmark::State& state) {
  char buffer[256];
  for (auto _ : state) {
    for (const char* name : kBatteryFiles) {
      const int fd = ::open((kSupplies + "BAT0/" + name).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
      ::close(fd);
    }
  }
}
BENCHMARK(BM_DirectBatteryFiles)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tellwick

int main(int argc, char** argv) {
  return tellwick::bench::runOverDeviceTree(argc, argv, TELLWICK_POWER_FIXTURE);
}
