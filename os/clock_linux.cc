#include <chrono>

#include "os/clock.h"

namespace tellwick::os {
namespace {

class LinuxClock final : public Clock {
 public:
  double now() override {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
};

}  // namespace

std::unique_ptr<Clock> newLinuxClock() { return std::make_unique<LinuxClock>(); }

}  // namespace tellwick::os
