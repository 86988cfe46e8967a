#ifndef TELLWICK_TESTS_FAKES_FAKE_SESSION_BUS_H_
#define TELLWICK_TESTS_FAKES_FAKE_SESSION_BUS_H_

#include <functional>
#include <string>

#include "os/session_bus.h"
#include "tests/fakes/fake_notification_center.h"

namespace tellwick::testing {

// A bus whose loop does not wait: runUntil delivers nothing by itself (the
// fake center delivers posts at once) and reports done() as it stands.
// waited() counts the loops run.
class FakeSessionBus final : public os::SessionBus {
 public:
  FakeNotificationCenter& center() { return center_; }
  int waited() const { return waited_; }

  os::NotificationCenter& notificationCenter() override { return center_; }
  std::optional<std::string> claimName(const std::string&) override { return std::nullopt; }
  bool nameHasOwner(const std::string&) override { return false; }
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds) override {
    ++waited_;
    return done();
  }
  void flush() override {}
  bool connected() override { return true; }

 private:
  FakeNotificationCenter center_;
  int waited_ = 0;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_SESSION_BUS_H_
