// tellwickctl battery and peripherals against UPower, what Linux desktops
// show, on the same device trees: upowerd runs under umockdev-run on a
// private system bus of the test's own, as UPower's own tests run it (tests/fixtures/services/
// upower.py), and tellwickctl under umockdev-run as a person would run it. Every value compared agrees, or
// differs for the reason named in the table (and in README); a named
// difference that has gone away fails too, so that the list stays true.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"
#include "tests/support/scoped_environment.h"

namespace tellwick {
namespace {

using Json = nlohmann::json;
using Values = std::map<std::string, std::string>;

std::string fixture(const std::string& tree) {
  return std::string(TELLWICK_FIXTURES_DIR) + "/" + tree;
}

// Standard output of a program that succeeded, as JSON.
Json jsonOf(const std::vector<std::string>& argv) {
  auto [status, out] = testing::runProgram(argv, testing::environmentSnapshot(), false, std::chrono::seconds(60));
  return status == 0 ? Json::parse(out, nullptr, false) : Json();
}

Json tellwickctl(const std::string& tree, const std::string& command) {
  return jsonOf({"/usr/bin/umockdev-run", "--device", fixture(tree), "--", TELLWICK_BIN_DIR "/tellwickctl", command,
                 "--json"});
}

// UPower's device objects in the tree, the display device last
// (tests/fixtures/services/upower.py).
Json upowerDevices(const std::string& tree) {
  return jsonOf({"/usr/bin/python3", TELLWICK_FIXTURES_DIR "/services/upower.py", fixture(tree), TELLWICK_UPOWERD});
}

std::string whole(double value) { return std::to_string(std::llround(value)); }
std::string minutes(double seconds) { return seconds > 0 ? whole(seconds / 60) : "-"; }

// The machine's level, charge state, energy rate sign, time to full or
// empty (minutes) and health, and each peripheral's level and charging.
Values upowerValues(const Json& devices) {
  Values v;
  double full = 0, design = 0;
  std::optional<double> capacity;
  for (const auto& d : devices) {
    if (&d == &devices.back()) break;
    if (d.value("PowerSupply", false) && d.value("Type", 0) == 2) {
      full += d.value("EnergyFull", 0.0);
      design += d.value("EnergyFullDesign", 0.0);
      capacity = d.value("Capacity", 0.0);
    } else if (!d.value("PowerSupply", true)) {
      const std::string name = d.value("Model", "");
      v[name + " level"] = whole(d.value("Percentage", 0.0));
      v[name + " charging"] = d.value("State", 0) == 1 ? "yes" : "no";
    }
  }
  const Json& display = devices.back();
  if (!display.value("IsPresent", false)) return v;
  const int state = display.value("State", 0);
  static const char* const kStates[] = {"unknown", "charging", "discharging", "empty",
                                        "full", "not charging", "pending discharge"};
  v["state"] = state >= 0 && state < 7 ? kStates[state] : "?";
  v["level"] = whole(display.value("Percentage", 0.0));
  v["rate"] = display.value("EnergyRate", 0.0) > 0 ? "+" : "0";
  v["time"] = minutes(state == 1   ? display.value("TimeToFull", 0.0)
                      : state == 2 ? display.value("TimeToEmpty", 0.0)
                                   : 0);
  if (design > 0) v["health"] = whole(std::min(100.0, 100 * full / design));
  if (design <= 0 && capacity) v["health"] = whole(*capacity);
  return v;
}

Values tellwickValues(const Json& battery, const Json& peripherals) {
  Values v;
  for (const auto& p : peripherals) {
    const std::string name = p.value("name", "");
    v[name + " level"] = p.contains("batteryLevel") ? whole(p["batteryLevel"]) : "-";
    v[name + " charging"] = p.value("isCharging", false) ? "yes" : "no";
  }
  if (!battery.is_object()) return v;
  auto number = [&](const char* key) {
    return battery[key].is_number() ? std::optional(battery[key].get<double>()) : std::nullopt;
  };
  v["state"] = battery["isCharging"] == true  ? "charging"
               : battery["isCharged"] == true ? "full"
               : battery["acPowered"] == true ? "not charging"
                                              : "discharging";
  if (auto level = number("level")) v["level"] = whole(*level);
  const double watts = number("watts").value_or(0);
  v["rate"] = watts > 0 ? "+" : watts < 0 ? "-" : "0";
  v["time"] = minutes(number("timeRemaining").value_or(0) * 60);
  if (auto health = number("health")) v["health"] = whole(*health);
  return v;
}

// Every value of expected is in actual at the same place (numbers within 0.001).
void expectSubset(const Json& actual, const Json& expected) {
  const Json values = actual.flatten(), wanted = expected.flatten();
  for (const auto& [place, value] : wanted.items()) {
    const Json found = values.value(place, Json());
    if (value.is_number_float() && found.is_number()) {
      EXPECT_NEAR(found.get<double>(), value.get<double>(), 1e-3) << place;
    } else {
      EXPECT_EQ(found, value) << place;
    }
  }
}

struct Tree {
  const char* file;
  // Field → why tellwickctl shows something else than UPower there.
  std::map<std::string, std::string> differences;
  // What the files say that UPower does not show, as parts of the JSON.
  const char* files = "{}";
};

void PrintTo(const Tree& tree, std::ostream* os) { *os << tree.file; }

class UPowerReferee : public ::testing::TestWithParam<Tree> {};

const char* const kInventedHealth = "UPower shows 100 % for a battery without full or design";

TEST_P(UPowerReferee, AgreesOrDiffersForANamedReason) {
  const Tree& tree = GetParam();
  testing::PrivateBus system("DBUS_SYSTEM_BUS_ADDRESS");
  const Json devices = upowerDevices(tree.file);
  ASSERT_TRUE(devices.is_array() && !devices.empty()) << "upowerd did not come up";
  const Json battery = tellwickctl(tree.file, "battery");
  const Json peripherals = tellwickctl(tree.file, "peripherals");
  ASSERT_TRUE(battery.contains("internalBattery") && peripherals.contains("peripherals"));
  const Values theirs = upowerValues(devices);
  const Values ours = tellwickValues(battery["internalBattery"], peripherals["peripherals"]);
  Values fields = theirs;
  fields.insert(ours.begin(), ours.end());
  for (const auto& [field, unused] : fields) {
    const auto at = [&](const Values& v) { return v.contains(field) ? v.at(field) : "-"; };
    if (tree.differences.contains(field)) {
      EXPECT_NE(at(ours), at(theirs)) << field << " no longer differs";
    } else {
      EXPECT_EQ(at(ours), at(theirs)) << field;
    }
  }
  Json both = battery;
  both.update(peripherals);
  expectSubset(both, Json::parse(tree.files));
}


INSTANTIATE_TEST_SUITE_P(
    Trees, UPowerReferee,
    ::testing::Values(
        // 57 Wh at 11.4 V is 5000 mAh; 14.25 W at 12.6 V is 1131 mA.
        Tree{"power/laptop-energy.umockdev", {}, R"({"internalBattery": {"class": "apple",
             "designCapacity": 5000, "amperage": 1131, "voltage": 12.6},
             "peripherals": [
             {"isCharging": false, "type": "Mouse", "batteryLevel": 67, "name": "MX Master 3",
              "productId": 45091, "serial": "f0-b3-ec-01-02-03", "manufacturer": "Logitech Inc."},
             {"isCharging": true, "type": "Keyboard", "batteryLevel": 70,
              "name": "Magic Keyboard", "productId": 668, "serial": "f0t1234abcd"}]})"},
        // cycle_count 0 means unknown.
        Tree{"power/laptop-charge.umockdev", {},
             R"({"internalBattery": {"designCapacity": 4400, "cycleCount": null}})"},
        Tree{"power/sbs-i2c.umockdev", {}, R"({"internalBattery": {"class": "legacy",
             "maxCapacity": 5400, "temperature": 30.5, "manufactureDate": "2022-02-05"}})"},
        // The touchpad's HID device offers a mouse too: a touchpad it stays.
        Tree{"power/macbook-pro-power.umockdev", {},
             R"({"peripherals": [{"type": "Mouse"}, {"name": "BT Touchpad", "type": "Trackpad"}]})"},
        // Identity of BAT0, everything else of both.
        Tree{"power/two-batteries.umockdev", {}, R"({"internalBattery": {"name": "BAT0",
             "manufacturer": "SMP", "cycleCount": 123, "designCapacity": 7094}})"},
        Tree{"power/charge-threshold.umockdev", {}, R"({"internalBattery": {"amperage": 150}})"},
        // The first battery that discharges wins; an empty bay is no battery.
        Tree{"power/three-bays.umockdev", {}, R"({"internalBattery": {"amperage": -2000}})"},
        // Levels alone: their mean.
        Tree{"power/held-pair.umockdev",
             {{"health", kInventedHealth},
              {"state", "UPower guesses charging for a held battery beside a full one"}},
             R"({"internalBattery": {"name": "dock-battery"}})"},
        Tree{"power/platform-battery.umockdev",
             {{"health", kInventedHealth},
              {"rate", "UPower gives no rate for a battery without full capacity"}},
             R"({"internalBattery": {"health": null, "amperage": -830}})"},
        Tree{"hwmon/laptop.umockdev",
             {{"health", kInventedHealth},
              {"level", "UPower guesses 0 % where the battery says nothing"},
              {"state", "UPower guesses empty where the battery says nothing"}}, "{}"},
        Tree{"power/desktop.umockdev", {}, R"({"internalBattery": null})"}),
    [](const auto& info) {
      std::string name = std::filesystem::path(info.param.file).stem();
      std::erase(name, '-');
      return name;
    });

}  // namespace
}  // namespace tellwick
