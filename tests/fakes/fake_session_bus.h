#ifndef TELLWICK_TESTS_FAKES_FAKE_SESSION_BUS_H_
#define TELLWICK_TESTS_FAKES_FAKE_SESSION_BUS_H_

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/bus/session_bus.h"
#include "tests/fakes/fake_application.h"
#include "tests/fakes/fake_bus_names.h"
#include "tests/fakes/fake_main_queue.h"
#include "tests/fakes/fake_notification_center.h"

namespace tellwick::testing {

// A bus in memory with scripted peers. A post reaches this process's own
// observers at once (the fake center) and is remembered; what a peer answers
// is queued and delivered by runUntil, one notification per dispatch, as the
// real loop would. When nothing is left to deliver, runUntil lets the whole
// timeout pass at once and records it.
class FakeSessionBus final : public os::SessionBus {
 public:
  FakeNotificationCenter& center() { return center_; }

  // From now on, every post of request makes the peer send responses.
  void answer(const std::string& request, std::vector<std::string> responses) {
    center_.addObserver(this, request, std::nullopt,
                        [this, responses](const os::Notification&) {
                          pending_.insert(pending_.end(), responses.begin(), responses.end());
                        });
  }

  // The timeouts that ran out, in order.
  const std::vector<std::chrono::milliseconds>& timeoutsPassed() const { return timeouts_; }
  int flushes() const { return flushes_; }

  os::NotificationCenter& notificationCenter() override { return center_; }
  os::MainQueue& mainQueue() override { return queue_; }
  FakeBusNames& names() override { return names_; }

  os::Status claimName(const std::string& name) override {
    if (names_.owned().contains(name)) return os::failure("another process already owns the bus name " + name);
    names_.owned().insert(name);
    return {};
  }


  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override {
    queue_.runAll();
    while (!done() && !pending_.empty()) {
      std::string name = pending_.front();
      pending_.pop_front();
      center_.deliver({name, std::nullopt});
    }
    if (!done()) timeouts_.push_back(timeout);
    return done();
  }

  void flush() override { ++flushes_; }
  bool connected() override { return true; }
  std::unique_ptr<os::Application> makeApplication() override {
    auto application = std::make_unique<FakeApplication>();
    application->stopped = [this] { queue_.stop(); };
    return application;
  }

 private:
  FakeNotificationCenter center_;
  FakeMainQueue queue_;
  FakeBusNames names_;
  std::deque<std::string> pending_;
  std::vector<std::chrono::milliseconds> timeouts_;
  int flushes_ = 0;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_SESSION_BUS_H_
