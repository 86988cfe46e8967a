#ifndef TELLWICK_TESTS_FAKES_FAKE_UNIT_FILE_MANAGER_H_
#define TELLWICK_TESTS_FAKES_FAKE_UNIT_FILE_MANAGER_H_

#include <map>
#include <string>
#include <vector>

#include "os/desktop/unit_files.h"

namespace tellwick::testing {

// Unit file states in a map; every call journaled ("enable tellwick.service",
// "reload", ...). With absent set, every call fails as when no manager runs.
// Enabling a masked unit fails, as systemd refuses it.
class FakeUnitFileManager final : public os::UnitFileManager {
 public:
  using Units = std::vector<std::string>;
  std::map<std::string, std::string> states;
  std::vector<std::string> calls;
  bool absent = false;

  os::Result<std::optional<std::string>> unitFileState(const std::string& unit) override {
    if (absent) return os::failure("no manager");
    auto it = states.find(unit);
    return it == states.end() ? std::optional<std::string>() : std::optional<std::string>(it->second);
  }
  os::Status enableUnitFiles(const Units& units) override { return change("enable", units, "enabled"); }
  os::Status disableUnitFiles(const Units& units) override { return change("disable", units, "disabled"); }
  os::Status reload() override {
    calls.push_back("reload");
    return absent ? os::failure("no manager") : os::Status{};
  }

 private:
  os::Status change(const std::string& verb, const Units& units, const char* state) {
    for (const auto& unit : units) {
      calls.push_back(verb + " " + unit);
      auto it = states.find(unit);
      if (absent || it == states.end() || it->second == "masked") return os::failure("cannot " + verb + " " + unit);
      it->second = state;
    }
    return {};
  }
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_UNIT_FILE_MANAGER_H_
