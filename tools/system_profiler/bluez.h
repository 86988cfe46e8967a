#ifndef TELLWICK_TOOLS_SYSTEM_PROFILER_BLUEZ_H_
#define TELLWICK_TOOLS_SYSTEM_PROFILER_BLUEZ_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "os/clock.h"
#include "os/result.h"
#include "tools/system_profiler/earbud_levels.h"
#include "tools/system_profiler/system_profiler_report.h"

struct sd_bus;

namespace tellwick::tools {

// What the report reads of BlueZ (org.bluez on the system bus, or on
// DBUS_SYSTEM_BUS_ADDRESS).
struct BluezView {
  std::vector<BluetoothAdapter> adapters;
  std::vector<BluetoothDevice> devices;
  // Advertising objects: never paired, not connected, with a proximity
  // pairing message. They are not devices of the report.
  std::vector<Advertisement> advertisements;
  std::set<std::string> discovering;  // paths of the adapters that discover now
  std::set<std::string> devicePaths;  // the objects of devices
};

struct BusError {
  std::string message;
  bool serviceMissing = false;
};

// One connection to the system bus, closed when this goes. One thread.
class Bluez {
 public:
  // Fails, saying why, when the system bus cannot be reached.
  static os::Result<std::unique_ptr<Bluez>> connect();
  ~Bluez();
  Bluez(const Bluez&) = delete;
  Bluez& operator=(const Bluez&) = delete;

  // Reads every adapter and device, in object path order; seenAt of the
  // advertisements is left 0.
  std::optional<BusError> read(BluezView& view);

  // Listens for advertisements until done() holds or until deadline, merging
  // each that arrives into view.advertisements with seenAt from clock. When
  // adapter does not discover yet, discovers on it meanwhile (LE transport,
  // every advertisement reported) and stops again; a discovery that runs
  // already is left running. Returns at once when BlueZ refuses to discover.
  void listen(BluezView& view, const std::string& adapter, std::chrono::steady_clock::time_point deadline,
              os::Clock& clock, const std::function<bool()>& done);

 private:
  explicit Bluez(sd_bus* bus) : bus_(bus) {}
  sd_bus* bus_;
};

}  // namespace tellwick::tools

#endif  // TELLWICK_TOOLS_SYSTEM_PROFILER_BLUEZ_H_
