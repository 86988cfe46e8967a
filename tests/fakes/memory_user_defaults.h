#ifndef TELLWICK_TESTS_FAKES_MEMORY_USER_DEFAULTS_H_
#define TELLWICK_TESTS_FAKES_MEMORY_USER_DEFAULTS_H_

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "os/store/user_defaults.h"

namespace tellwick::testing {

// Suites kept in memory. Domains opened on the same suite share their
// contents, as processes share a suite. Counts reads and writes; a test can
// refuse suites or make reads or writes fail.
class MemoryUserDefaults final : public os::UserDefaults {
 public:
  std::unique_ptr<os::UserDefaultsDomain> openSuite(const std::string& suite) override {
    if (!os::isValidSuiteName(suite) || refusedSuites.count(suite)) return nullptr;
    return std::make_unique<Domain>(*this, suite);
  }

  // The contents of suite, or an empty dictionary when nothing was written.
  os::PlistDictionary& contents(const std::string& suite) { return suites_[suite]; }

  std::set<std::string> refusedSuites;
  bool failWrites = false;
  bool failReads = false;
  int reads = 0;
  int writes = 0;

 private:
  class Domain final : public os::UserDefaultsDomain {
   public:
    Domain(MemoryUserDefaults& owner, std::string suite) : owner_(owner), suite_(std::move(suite)) {}

    std::optional<os::PlistValue> value(const std::string& key) override {
      auto found = read(key);
      return found ? *found : std::nullopt;
    }
    os::Result<std::optional<os::PlistValue>> read(const std::string& key) override {
      ++owner_.reads;
      if (owner_.failReads) return os::failure("reads fail");
      if (const auto* v = os::findKey(owner_.contents(suite_), key)) return std::optional(*v);
      return std::optional<os::PlistValue>();
    }
    os::Status setValue(const std::string& key, const os::PlistValue& value) override {
      if (auto refused = attempt()) return *refused;
      auto& contents = owner_.contents(suite_);
      auto it = std::find_if(contents.begin(), contents.end(), [&](auto& e) { return e.first == key; });
      if (it != contents.end()) it->second = value;
      else contents.emplace_back(key, value);
      return {};
    }
    os::Status removeValue(const std::string& key) override {
      if (auto refused = attempt()) return *refused;
      auto& contents = owner_.contents(suite_);
      std::erase_if(contents, [&](const auto& entry) { return entry.first == key; });
      return {};
    }

   private:
    std::optional<os::Status> attempt() {
      ++owner_.writes;
      if (owner_.failWrites) return os::Status(os::failure("writes fail"));
      return std::nullopt;
    }
    MemoryUserDefaults& owner_;
    std::string suite_;
  };

  std::map<std::string, os::PlistDictionary> suites_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_MEMORY_USER_DEFAULTS_H_
