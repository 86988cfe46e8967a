#include "battery/internal_battery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <tuple>

#include "tests/fakes/fake_io_registry.h"
#include "tests/fakes/fake_power_sources.h"

namespace tellwick {
namespace {

using std::chrono::year_month_day;
using testing::FakeIoRegistry;
using testing::FakePowerSources;

constexpr const char* kSmc = "AppleSMC";
constexpr const char* kSmBus = "IOSMBusController";

// A machine with one battery under a controller of the given class. Of the
// given properties, those with a space in their key ("Is Charging") go to the
// one power source, the others ("MaxCapacity") to the registry entry.
struct Machine {
  FakeIoRegistry registry;
  FakePowerSources sources;
  os::RegistryEntry battery = 0;

  explicit Machine(const std::string& controller = kSmc, const os::PlistDictionary& all = {}) {
    battery = registry.add("AppleSmartBattery", {}, registry.addController(controller));
    sources.add(os::PlistDictionary{{"Name", "InternalBattery-0"}});
    for (const auto& [key, value] : all) {
      if (key.find(' ') == std::string::npos) registry.set(battery, key, value);
      if (key.find(' ') != std::string::npos) sources.set(0, key, value);
    }
  }
  std::unique_ptr<InternalBattery> find() { return InternalFinder(registry, sources).find(); }
  AppleInternalBattery apple() { return AppleInternalBattery(registry, sources, battery); }
};

template <typename T>
std::string text(const std::optional<T>& value) {
  char out[32] = "-";
  if (!value) return out;
  if constexpr (std::is_same_v<T, double>) std::snprintf(out, sizeof out, "%.2f", *value);
  if constexpr (std::is_same_v<T, year_month_day>) {
    std::snprintf(out, sizeof out, "%d-%02u-%02u", int(value->year()), unsigned(value->month()),
                  unsigned(value->day()));
  }
  if constexpr (std::is_same_v<T, BatteryCondition>) {
    const char* names[] = {"good", "fair", "poor"};
    return names[static_cast<int>(*value)];
  }
  if constexpr (std::is_same_v<T, std::string>) return *value;
  if constexpr (std::is_integral_v<T>) return std::to_string(*value);
  return out;
}

// The fields that expected names, as "key=value" joined by ", " in its order;
// absent values read "-".
std::string describe(const InternalBattery& b, const std::string& expected) {
  const auto* legacy = dynamic_cast<const LegacyInternalBattery*>(&b);
  const std::map<std::string, std::string> fields = {
      {"name", text(b.name())},
      {"maker", text(b.manufacturer())},
      {"date", text(b.manufactureDate())},
      {"design", text(b.designCapacity())},
      {"max", text(b.maxCapacity())},
      {"designText", b.designCapacityText()},
      {"maxText", b.maxCapacityText()},
      {"currentText", b.currentCapacityText()},
      {"cycles", text(b.cycleCount())},
      {"designCycles", text(b.designCycleCount())},
      {"ac", text(b.acPowered())},
      {"charging", text(b.isCharging())},
      {"charged", text(b.isCharged())},
      {"mA", text(b.amperage())},
      {"V", text(b.voltage())},
      {"W", text(b.watts())},
      {"health", text(b.health())},
      {"temperature", text(b.temperature())},
      {"level", text(b.level())},
      {"condition", text(b.condition())},
      {"toEmpty", text(b.timeToEmpty())},
      {"remaining", text(b.timeRemaining())},
      {"remainingText", b.timeRemainingText()},
      {"internal", legacy ? text(legacy->internalCharge()) : "none"},
  };
  std::string out;
  for (std::size_t at = 0; at < expected.size();) {
    const auto key = expected.substr(at, expected.find('=', at) - at);
    out += (out.empty() ? "" : ", ") + key + "=" + fields.at(key);
    at = std::min(expected.find(", ", at), expected.size()) + 2;
  }
  return out;
}

TEST(InternalFinder, ChoosesTheKindByController) {
  const auto provider = [](os::PlistValue value) {
    return [value](Machine& m) {
      m.registry.set(m.registry.parentEntry(m.battery).value(), "IOProviderClass", value);
    };
  };
  const std::pair<std::function<void(Machine&)>, const char*> cases[] = {
      {[](Machine&) {}, "apple"},
      {provider(kSmBus), "legacy"},
      {provider("IOPCIDevice"), "none"},
      {[](Machine& m) { m.registry.remove(m.registry.parentEntry(m.battery).value()); }, "none"},
      {[](Machine& m) { m.sources.clear(); }, "none"},
      {[](Machine& m) { m.sources.setUnavailable(true); }, "none"},
      {[](Machine& m) { m.registry.remove(m.battery); }, "none"},
  };
  for (const auto& [arrange, kind] : cases) {
    Machine machine;
    arrange(machine);
    const auto battery = machine.find();
    EXPECT_STREQ(dynamic_cast<const AppleInternalBattery*>(battery.get())    ? "apple"
                 : dynamic_cast<const LegacyInternalBattery*>(battery.get()) ? "legacy"
                 : battery                                                   ? "other"
                                                                             : "none",
                 kind);
  }
}

// What the battery found under a controller (nullptr: under either) makes of
// its registry entry and power source.
TEST(InternalBattery, ReadsTheRegistryAndThePowerSource) {
  const std::tuple<const char*, os::PlistDictionary, const char*> cases[] = {
      {nullptr, {{"Amperage", -1500}, {"Voltage", 12600}}, "V=12.60, W=18.90, mA=-1500"},
      {nullptr, {{"Amperage", 0}, {"Voltage", 12000}}, "W=0.00"},  // not -0
      // Held at a charge threshold, neither charging nor draining.
      {nullptr, {{"Amperage", 300}, {"Voltage", 12000}}, "W=3.60"},
      {nullptr, {{"Temperature", "hot"}, {"Voltage", true}}, "temperature=-, V=-"},
      {nullptr, {{"ManufactureDate", 0}, {"Manufacturer", 5}}, "date=-, maker=-"},
      {nullptr, {{"ManufactureDate", (42 << 9) | (2 << 5) | 29}}, "date=-"},  // 2022: no 29 Feb
      {nullptr, {{"ManufactureDate", (44 << 9) | (2 << 5) | 29}}, "date=2024-02-29"},
      {nullptr, {{"ManufactureDate", -1}}, "date=-"},
      {nullptr, {{"CycleCount", std::uint64_t{321}}, {"DesignCycleCount9C", 1000}},
       "cycles=321, designCycles=1000"},
      // Time remaining follows the charging state.
      {kSmc, {{"Is Charging", 0}, {"Time to Empty", 121}}, "remaining=121, remainingText=02:01"},
      {kSmc, {{"Is Charging", true}, {"Time to Full Charge", 30}, {"Time to Empty", 5}},
       "remaining=30, remainingText=00:30"},
      {kSmc, {{"Time to Empty", 0}}, "remaining=0, remainingText=-"},
      {kSmc, {{"Is Charging", 1}}, "remaining=-, remainingText=-"},
      // Flags are true only for the number one.
      {kSmBus, {{"Is Charging", 1}, {"Is Charged", true}}, "charging=1, charged=1"},
      {kSmBus, {{"Is Charging", false}, {"Is Charged", 2}}, "charging=0, charged=0"},
      // Only the exact text means the adapter.
      {kSmc, {{"Power Source State", "AC Power"}}, "ac=1"},
      {kSmc, {}, "ac=0, designText=-, maxText=-, health=-"},
      // Capacities: percentages and a design in mAh, or mAh throughout.
      {kSmc,
       {{"DesignCapacity", 5000}, {"AppleRawMaxCapacity", 4500}, {"Current Capacity", 78},
        {"Max Capacity", 90}},
       "level=78, health=90.00, design=5000, designText=5000 mAh, maxText=90 %, currentText=78 %"},
      {kSmBus, {{"DesignCapacity", 0}, {"MaxCapacity", 4500}}, "health=-"},
      {kSmBus,
       {{"DesignCapacity", 5000}, {"MaxCapacity", 4500}, {"AppleRawMaxCapacity", 1},
        {"CurrentCapacity", 2250}, {"Current Capacity", 50}},
       "internal=50, max=4500, maxText=4500 mAh, currentText=2250 mAh, health=90.00"},
      // The legacy level: charged, else the source's percentage, else the
      // registry's ratio rounded half up.
      {kSmBus,
       {{"CurrentCapacity", 10}, {"MaxCapacity", 6000}, {"Is Charged", 1}, {"Current Capacity", 4}},
       "level=100"},
      {kSmBus, {{"CurrentCapacity", 1}, {"MaxCapacity", 8}}, "level=13"},
      {kSmBus, {{"AppleRawCurrentCapacity", 3000}, {"AppleRawMaxCapacity", 6000}}, "level=50"},
      {kSmBus, {{"CurrentCapacity", 4000}, {"MaxCapacity", 0}}, "level=-"},
  };
  for (const auto& [only, properties, expected] : cases) {
    for (const char* controller : {kSmc, kSmBus}) {
      if (only && only != std::string_view(controller)) continue;
      SCOPED_TRACE(std::string(controller) + ": " + expected);
      Machine machine(controller, properties);
      const auto battery = machine.find();
      ASSERT_TRUE(battery);
      EXPECT_EQ(describe(*battery, expected), expected);
    }
  }
}

TEST(InternalBattery, LaterSourcesOverwriteAndNonDictionariesAreSkipped) {
  Machine machine;
  machine.sources.clear();
  const std::string unknown = "charging=-, remaining=-, remainingText=-";
  EXPECT_EQ(describe(machine.apple(), unknown), unknown);
  machine.sources.add(os::PlistDictionary{{"BatteryHealth", "Poor"}, {"Time to Empty", 50}});
  machine.sources.add("not a description");
  machine.sources.add(os::PlistDictionary{{"Name", "Second"}, {"BatteryHealth", "Unknown"}});
  // A text that names no condition leaves the earlier one.
  const std::string expected = "name=Second, toEmpty=-, condition=poor";
  EXPECT_EQ(describe(machine.apple(), expected), expected);
}

}  // namespace
}  // namespace tellwick
