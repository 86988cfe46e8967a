#ifndef TELLWICK_TESTS_FAKES_FAKE_BUS_NAMES_H_
#define TELLWICK_TESTS_FAKES_FAKE_BUS_NAMES_H_

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "os/bus/bus_names.h"

namespace tellwick::testing {

// Owned names in a set; start requests recorded. Starting a name in
// activatable() calls onStart, where a test announces the helper, then
// replies success; any other name is refused in the reply, as the bus does.
// Replies come at once, before startService returns.
class FakeBusNames final : public os::BusNames {
 public:
  std::set<std::string>& owned() { return owned_; }
  std::set<std::string>& activatable() { return activatable_; }
  const std::vector<std::string>& startRequests() const { return startRequests_; }
  std::function<void(const std::string&)> onStart;

  bool nameHasOwner(const std::string& name) override { return owned_.contains(name); }

  os::Status startService(const std::string& name, StartReply replied) override {
    startRequests_.push_back(name);
    const bool known = activatable_.contains(name);
    if (known && onStart) onStart(name);
    if (replied) replied(known ? os::Status() : os::failure("The name " + name + " was not provided by any .service files"));
    return {};
  }

 private:
  std::set<std::string> owned_;
  std::set<std::string> activatable_;
  std::vector<std::string> startRequests_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_BUS_NAMES_H_
