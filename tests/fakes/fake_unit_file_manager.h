#ifndef TELLWICK_TESTS_FAKES_FAKE_UNIT_FILE_MANAGER_H_
#define TELLWICK_TESTS_FAKES_FAKE_UNIT_FILE_MANAGER_H_

#include <map>
#include <string>
#include <vector>

#include "os/unit_files.h"

namespace tellwick::testing {

// Unit file states in a map; every call journaled ("enable tellwick.service",
// "reload", ...). With absent set, every call fails as when no manager runs.
// Enabling a masked unit fails, as systemd refuses it.
class FakeUnitFileManager final : public os::UnitFileManager {
 public:
  std::map<std::string, std::string>& states() { return states_; }
  const std::vector<std::string>& calls() const { return calls_; }
  bool absent = false;

  os::Result<std::optional<std::string>> unitFileState(const std::string& unit) override {
    if (absent) return os::failure("no manager");
    auto it = states_.find(unit);
    if (it == states_.end()) return std::optional<std::string>();
    return std::optional<std::string>(it->second);
  }
  os::Status enableUnitFiles(const std::vector<std::string>& units) override {
    return change("enable", units, "enabled");
  }
  os::Status disableUnitFiles(const std::vector<std::string>& units) override {
    return change("disable", units, "disabled");
  }
  os::Status reload() override {
    calls_.push_back("reload");
    return absent ? os::failure("no manager") : os::Status{};
  }

 private:
  os::Status change(const std::string& verb, const std::vector<std::string>& units, const char* state) {
    for (const auto& unit : units) {
      calls_.push_back(verb + " " + unit);
      if (absent) return os::failure("no manager");
      auto it = states_.find(unit);
      if (it == states_.end()) return os::failure("no such unit " + unit);
      if (it->second == "masked") return os::failure("unit " + unit + " is masked");
      it->second = state;
    }
    return {};
  }

  std::map<std::string, std::string> states_;
  std::vector<std::string> calls_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_UNIT_FILE_MANAGER_H_
