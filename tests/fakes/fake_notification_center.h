#ifndef TELLWICK_TESTS_FAKES_FAKE_NOTIFICATION_CENTER_H_
#define TELLWICK_TESTS_FAKES_FAKE_NOTIFICATION_CENTER_H_

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "os/bus/notification_center.h"
#include "tests/fakes/journal.h"

namespace tellwick::testing {

// Records posts and delivers them synchronously to matching observers.
class FakeNotificationCenter final : public os::NotificationCenter {
 public:
  struct Registration {
    const void* observer;
    std::string name;
    std::optional<std::string> object;
    Handler handler;
  };

  explicit FakeNotificationCenter(Journal* journal = nullptr) : journal_(journal) {}

  void addObserver(const void* observer, const std::string& name,
                   const std::optional<std::string>& object, Handler handler) override {
    registrations_.push_back({observer, name, object, std::move(handler)});
  }

  void removeObserver(const void* observer, const std::string& name) override {
    std::erase_if(registrations_, [&](const Registration& r) {
      return r.observer == observer && r.name == name;
    });
  }

  void post(const std::string& name, const std::optional<std::string>& object) override {
    posted_.push_back({name, object});
    if (journal_) journal_->push_back("post " + name);
    deliver({name, object});
  }

  // Delivers as if another process had posted.
  void deliver(const os::Notification& notification) {
    std::vector<Handler> handlers;
    for (const auto& r : registrations_) {
      if (r.name == notification.name && (!r.object || r.object == notification.object)) {
        handlers.push_back(r.handler);
      }
    }
    for (auto& h : handlers) h(notification);
  }

  std::vector<std::string> postedNames() const {
    std::vector<std::string> names;
    for (const auto& n : posted_) names.push_back(n.name);
    return names;
  }

  const std::vector<os::Notification>& posted() const { return posted_; }
  const std::vector<Registration>& registrations() const { return registrations_; }

 private:
  Journal* journal_;
  std::vector<os::Notification> posted_;
  std::vector<Registration> registrations_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_NOTIFICATION_CENTER_H_
