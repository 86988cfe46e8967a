#include <libudev.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "os/sensors/hwmon_watch.h"

namespace tellwick::os {
namespace {

class LinuxHwmonWatch final : public HwmonWatch {
 public:
  LinuxHwmonWatch(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
  ~LinuxHwmonWatch() override {
    watch_.reset();
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
  }

  std::uint64_t changes() const override { return changes_.load(std::memory_order_acquire); }

  Status start(MainQueue& loop) {
    watch_ = loop.watchReadable(udev_monitor_get_fd(monitor_), [this] { drain(); });
    if (!watch_) return failure("cannot watch hwmon devices: the main loop refused the monitor");
    return {};
  }

 private:
  // A resume may bring several chips at once: each counts, and the readers
  // list once for all of them, on their next request.
  void drain() {
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
      const char* action = udev_device_get_action(device);
      if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
        changes_.fetch_add(1, std::memory_order_release);
      }
      udev_device_unref(device);
    }
  }

  udev* udev_;
  udev_monitor* monitor_;
  std::unique_ptr<LoopWatch> watch_;
  std::atomic<std::uint64_t> changes_{0};
};

}  // namespace

Result<std::unique_ptr<HwmonWatch>> newLinuxHwmonWatch(MainQueue& loop) {
  udev* context = udev_new();
  if (!context) return failure(errnoMessage("cannot watch hwmon devices", errno));
  // Events come from udevd once it has set a device up; without a udevd (a
  // container), straight from the kernel.
  const char* source = ::access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, source);
  int r = monitor ? udev_monitor_filter_add_match_subsystem_devtype(monitor, "hwmon", nullptr) : -ENOMEM;
  if (r >= 0) r = udev_monitor_enable_receiving(monitor);
  if (r < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return failure(errnoMessage("cannot watch hwmon devices", -r));
  }
  auto watch = std::make_unique<LinuxHwmonWatch>(context, monitor);
  if (Status s = watch->start(loop); !s) return failure(s.error());
  return std::unique_ptr<HwmonWatch>(std::move(watch));
}

}  // namespace tellwick::os
