#ifndef TELLWICK_TESTS_FAKES_FAKE_POWER_SOURCES_H_
#define TELLWICK_TESTS_FAKES_FAKE_POWER_SOURCES_H_

#include <algorithm>
#include <utility>

#include "os/power/power_sources.h"

namespace tellwick::testing {

// Descriptions held in memory and handed out as they stand at each call.
class FakePowerSources final : public os::PowerSources {
 public:
  // Appends a description (any value: the real service may hand out others
  // than dictionaries); returns its index.
  int add(os::PlistValue description) {
    descriptions_.push_back(std::move(description));
    return static_cast<int>(descriptions_.size()) - 1;
  }
  void set(int index, const std::string& key, os::PlistValue value) {
    auto& d = std::get<os::PlistDictionary>(descriptions_.at(index).storage);
    auto it = std::ranges::find(d, key, &os::PlistDictionary::value_type::first);
    if (it == d.end()) it = d.insert(it, {key, {}});
    it->second = std::move(value);
  }
  void clear() { descriptions_.clear(); }
  // Fault switch: the list cannot be read while set.
  void setUnavailable(bool unavailable) { unavailable_ = unavailable; }

  os::Result<os::PlistArray> copyPowerSourceDescriptions() override {
    if (unavailable_) return os::failure("power sources: unavailable");
    return descriptions_;
  }

 private:
  os::PlistArray descriptions_;
  bool unavailable_ = false;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_POWER_SOURCES_H_
