#ifndef TELLWICK_TESTS_FAKES_FAKE_APPLICATION_H_
#define TELLWICK_TESTS_FAKES_FAKE_APPLICATION_H_

#include <functional>
#include <vector>

#include "os/bus/application.h"

namespace tellwick::testing {

// A main loop the test drives by hand: run() launches and, unless the test
// lets it stop, returns after the termination sequence at once. terminate()
// only records the sender, as the real loop does until the handler returns.
class FakeApplication final : public os::Application {
 public:
  os::ApplicationExit run(os::ApplicationDelegate& delegate) override {
    delegate.applicationDidFinishLaunching();
    delegate.applicationWillTerminate();
    if (stopped) stopped();
    return {};
  }

  // Called once the loop has stopped for good.
  std::function<void()> stopped;

  void terminate(const void* sender) override { senders_.push_back(sender); }

  const std::vector<const void*>& terminateSenders() const { return senders_; }

 private:
  std::vector<const void*> senders_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_APPLICATION_H_
