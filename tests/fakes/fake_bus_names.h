#ifndef TELLWICK_TESTS_FAKES_FAKE_BUS_NAMES_H_
#define TELLWICK_TESTS_FAKES_FAKE_BUS_NAMES_H_

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "os/bus/bus_names.h"

namespace tellwick::testing {

// Owned names in a set; start requests recorded. A name in activatable()
// is "started" by calling onStart, which a test uses to announce the helper.
class FakeBusNames final : public os::BusNames {
 public:
  std::set<std::string>& owned() { return owned_; }
  std::set<std::string>& activatable() { return activatable_; }
  const std::vector<std::string>& startRequests() const { return startRequests_; }
  std::function<void(const std::string&)> onStart;

  bool nameHasOwner(const std::string& name) override { return owned_.contains(name); }

  os::Status startService(const std::string& name) override {
    startRequests_.push_back(name);
    if (!activatable_.contains(name)) return os::failure("the session bus has no service file for " + name);
    if (onStart) onStart(name);
    return {};
  }

 private:
  std::set<std::string> owned_;
  std::set<std::string> activatable_;
  std::vector<std::string> startRequests_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_BUS_NAMES_H_
