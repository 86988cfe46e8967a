#ifndef TELLWICK_TESTS_FAKES_FAKE_CLOCK_H_
#define TELLWICK_TESTS_FAKES_FAKE_CLOCK_H_

#include "os/clock.h"

namespace tellwick::testing {

// Time stands still until a test moves it.
class FakeClock final : public os::Clock {
 public:
  explicit FakeClock(double start = 1'700'000'000.0) : now_(start) {}
  double now() override { return now_; }
  void advance(double seconds) { now_ += seconds; }

 private:
  double now_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_CLOCK_H_
