#ifndef TELLWICK_OS_CLOCK_H_
#define TELLWICK_OS_CLOCK_H_

#include <memory>

namespace tellwick::os {

// Wall-clock time, injectable so that ages and rate limits can be tested
// without sleeping.
class Clock {
 public:
  Clock() = default;
  Clock(const Clock&) = delete;
  Clock& operator=(const Clock&) = delete;
  virtual ~Clock() = default;

  // Seconds since 1970, with sub-second precision. Never fails. Any thread.
  virtual double now() = 0;
};

// The system's real-time clock.
std::unique_ptr<Clock> newLinuxClock();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_CLOCK_H_
