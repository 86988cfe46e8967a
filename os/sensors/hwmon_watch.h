#ifndef TELLWICK_OS_SENSORS_HWMON_WATCH_H_
#define TELLWICK_OS_SENSORS_HWMON_WATCH_H_

#include <cstdint>
#include <memory>

#include "os/bus/main_queue.h"
#include "os/result.h"

namespace tellwick::os {

// The kernel's hardware-monitoring chips coming and going while the helper
// runs: a GPU's after resume, a dock's, a disk's once drivetemp loads.
class HwmonWatch {
 public:
  HwmonWatch() = default;
  HwmonWatch(const HwmonWatch&) = delete;
  HwmonWatch& operator=(const HwmonWatch&) = delete;
  virtual ~HwmonWatch() = default;

  // How many chips have been added or removed since the watch began. A
  // reader lists the chips again when this differs from the count it last
  // listed at. Any thread.
  virtual std::uint64_t changes() const = 0;
};

// Watches udev's hwmon devices through a monitor whose descriptor joins
// loop's main loop: nothing wakes while no chip comes or goes. loop must
// outlive the watch. Fails, saying why, when udev cannot be monitored.
Result<std::unique_ptr<HwmonWatch>> newLinuxHwmonWatch(MainQueue& loop);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_SENSORS_HWMON_WATCH_H_
