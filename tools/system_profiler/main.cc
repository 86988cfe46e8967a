// system_profiler: the platform's hardware report for the data types that
// Tellwick reads, built on Linux from BlueZ on the system bus.
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "os/clock.h"
#include "os/files/file_system.h"
#include "tools/system_profiler/bluez.h"
#include "tools/system_profiler/earbud_levels.h"
#include "tools/system_profiler/system_profiler_report.h"

namespace {

using namespace tellwick;
using tools::BluetoothDevice;

constexpr std::string_view kBluetoothDataType = "SPBluetoothDataType";
// How long a run may discover when connected earbuds have no fresh
// advertisement on the bus.
constexpr auto kDiscoveryWindow = std::chrono::seconds(2);

constexpr const char* kUsage =
    "usage: system_profiler [DATATYPE ...]\n"
    "       system_profiler -listDataTypes\n"
    "\n"
    "Prints a report in the platform's indented layout for each data type\n"
    "given (SPBluetoothDataType when none is). Unknown data types print\n"
    "nothing.\n"
    "\n"
    "SPBluetoothDataType reads BlueZ (org.bluez) on the system bus, or on\n"
    "DBUS_SYSTEM_BUS_ADDRESS when set: each adapter with its address and\n"
    "power state, then the known devices grouped as Connected and Not\n"
    "Connected, with their address, vendor and product identifiers, minor\n"
    "type and battery level. Connected earbuds of vendor 0x004C show their\n"
    "left, right and case levels, in steps of ten, with whether each\n"
    "charges, from the advertisements they broadcast; when none of their\n"
    "model has been seen in the last 60 s, the run discovers Bluetooth LE\n"
    "devices for at most 2 s (unless a discovery runs already) and stops\n"
    "again. Without an advertisement they show the one level BlueZ reports.\n"
    "The advertisements' ages are kept in $XDG_RUNTIME_DIR/tellwick-advertisements.\n"
    "\n"
    "Exit status: 0 on success (also when BlueZ is not running: the report\n"
    "is then the title line alone), 1 when the system bus cannot be used,\n"
    "2 on a usage error.\n";

// Where the advertisements' ages are kept between runs: the user's runtime
// folder, which lives as long as the login; nowhere without one.
std::optional<std::string> memoryPath() {
  const char* folder = std::getenv("XDG_RUNTIME_DIR");
  if (!folder || folder[0] != '/') return std::nullopt;
  return std::string(folder) + "/tellwick-advertisements";
}

// The adapter of the first connected pair among models.
std::string adapterFor(const std::vector<BluetoothDevice>& devices, const std::set<std::uint16_t>& models) {
  for (const auto& device : devices) {
    auto model = tools::earbudModel(device);
    if (model && models.contains(*model)) return device.adapter;
  }
  return {};
}

// Returns the exit status.
int printBluetooth(std::string& out) {
  auto bluez = tools::Bluez::connect();
  if (!bluez) {
    std::fprintf(stderr, "system_profiler: %s\n", bluez.error().c_str());
    return 1;
  }
  tools::BluezView view;
  if (auto error = (*bluez)->read(view); error && !error->serviceMissing) {
    std::fprintf(stderr, "system_profiler: %s\n", error->message.c_str());
    return 1;
  }
  auto clock = os::newLinuxClock();
  auto files = os::newLinuxFileSystem();
  auto path = memoryPath();
  std::string memory;
  if (path) {
    if (auto read = files->readFile(*path, tools::kMaxAdvertisementMemory)) memory = *read;
  }
  tools::recallSeen(view.advertisements, memory, clock->now());

  auto missing = tools::attachEarbudLevels(view.devices, view.advertisements, clock->now());
  std::string adapter = adapterFor(view.devices, missing);
  if (!adapter.empty()) {
    (*bluez)->listen(view, adapter, std::chrono::steady_clock::now() + kDiscoveryWindow, *clock, [&] {
      return tools::attachEarbudLevels(view.devices, view.advertisements, clock->now()).empty();
    });
    tools::attachEarbudLevels(view.devices, view.advertisements, clock->now());
  }
  if (std::string seen = tools::rememberSeen(view.advertisements); path && seen != memory) {
    // Without the memory every advertisement on the bus counts as new: the
    // report is still right, only fresher than it knows.
    (void)files->replaceFile(*path, seen);
  }
  out += tools::bluetoothReport(view.adapters, view.devices);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> types;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "-help" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-listDataTypes") {
      std::printf("Available Datatypes:\n%s\n", kBluetoothDataType.data());
      return 0;
    }
    if (arg.starts_with("-")) {
      std::fprintf(stderr, "system_profiler: unknown option %s (try --help)\n", argv[i]);
      return 2;
    }
    types.push_back(arg);
  }
  if (types.empty()) types.push_back(kBluetoothDataType);

  std::string out;
  bool bluetoothDone = false;
  for (auto type : types) {
    if (type != kBluetoothDataType || bluetoothDone) continue;
    bluetoothDone = true;
    if (int status = printBluetooth(out); status != 0) return status;
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "system_profiler: cannot write the report: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
