#include "battery/internal_battery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/fakes/fake_io_registry.h"
#include "tests/fakes/fake_power_sources.h"

namespace tellwick {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using std::chrono::year_month_day;
using ::testing::DoubleNear;
using testing::FakeIoRegistry;
using testing::FakePowerSources;
using ::testing::Optional;

// Parameterised cases print as their names.
template <typename Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// A machine with one battery entry under a controller of the given class.
struct Machine {
  FakeIoRegistry registry;
  FakePowerSources sources;
  os::RegistryEntry battery = 0;

  explicit Machine(const std::string& controller = "AppleSMC",
                   os::PlistDictionary properties = {}) {
    const auto parent = registry.addController(controller);
    battery = registry.add("AppleSmartBattery", std::move(properties), parent);
    sources.add(os::PlistDictionary{{"Name", "InternalBattery-0"}});
  }
  std::unique_ptr<InternalBattery> find() { return InternalFinder(registry, sources).find(); }
  AppleInternalBattery apple() { return AppleInternalBattery(registry, sources, battery); }
  LegacyInternalBattery legacy() { return LegacyInternalBattery(registry, sources, battery); }
};

enum class Kind { none, apple, legacy };

Kind kindOf(const InternalBattery* battery) {
  if (!battery) return Kind::none;
  if (dynamic_cast<const AppleInternalBattery*>(battery)) return Kind::apple;
  return dynamic_cast<const LegacyInternalBattery*>(battery) ? Kind::legacy : Kind::none;
}

struct FinderCase {
  const char* name;
  std::function<void(Machine&)> arrange;
  Kind expected;
};

class FinderChoosesByController : public ::testing::TestWithParam<FinderCase> {};

TEST_P(FinderChoosesByController, Case) {
  Machine machine;
  GetParam().arrange(machine);
  EXPECT_EQ(kindOf(machine.find().get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Controllers, FinderChoosesByController,
    ::testing::Values(
        FinderCase{"Smc", [](Machine&) {}, Kind::apple},
        FinderCase{"SmBus",
                   [](Machine& m) {
                     m.registry.set(m.registry.parentEntry(m.battery).value(), "IOProviderClass",
                                    "IOSMBusController");
                   },
                   Kind::legacy},
        FinderCase{"OtherController",
                   [](Machine& m) {
                     m.registry.set(m.registry.parentEntry(m.battery).value(), "IOProviderClass",
                                    "IOPCIDevice");
                   },
                   Kind::none},
        FinderCase{"ProviderClassNotText",
                   [](Machine& m) {
                     m.registry.set(m.registry.parentEntry(m.battery).value(), "IOProviderClass",
                                    7);
                   },
                   Kind::none},
        FinderCase{"NoParent",
                   [](Machine& m) { m.registry.remove(m.registry.parentEntry(m.battery).value()); },
                   Kind::none},
        FinderCase{"NoPowerSource", [](Machine& m) { m.sources.clear(); }, Kind::none},
        FinderCase{"PowerSourcesUnreadable", [](Machine& m) { m.sources.setUnavailable(true); },
                   Kind::none},
        FinderCase{"NoBatteryService", [](Machine& m) { m.registry.remove(m.battery); },
                   Kind::none},
        FinderCase{"RegistryUnsearchable", [](Machine& m) { m.registry.setSearchFails(true); },
                   Kind::none}),
    [](const auto& info) { return std::string(info.param.name); });

// Registry values and what both kinds of battery make of them.
struct RegistryCase {
  const char* name;
  os::PlistDictionary properties;
  bool charging;
  std::function<void(const InternalBattery&)> check;
};

class RegistryReadings : public ::testing::TestWithParam<RegistryCase> {};

TEST_P(RegistryReadings, ApplyToBothKinds) {
  for (const char* controller : {"AppleSMC", "IOSMBusController"}) {
    Machine machine(controller, GetParam().properties);
    machine.sources.set(0, "Is Charging", GetParam().charging ? 1 : 0);
    const auto battery = machine.find();
    ASSERT_TRUE(battery) << controller;
    SCOPED_TRACE(controller);
    GetParam().check(*battery);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryReadings,
    ::testing::Values(
        RegistryCase{"DischargingPowerIsPositive",
                     {{"Amperage", -1500}, {"Voltage", 12600}},
                     false,
                     [](const InternalBattery& b) {
                       EXPECT_THAT(b.voltage(), Optional(DoubleNear(12.6, 1e-9)));
                       EXPECT_THAT(b.watts(), Optional(DoubleNear(18.9, 1e-9)));
                       EXPECT_EQ(b.amperage(), -1500);
                     }},
        RegistryCase{"ChargingPowerKeepsTheSign",
                     {{"Amperage", 2000}, {"Voltage", 12000.0}},
                     true,
                     [](const InternalBattery& b) {
                       EXPECT_THAT(b.watts(), Optional(DoubleNear(24.0, 1e-9)));
                     }},
        RegistryCase{"TemperatureInHundredths",
                     {{"Temperature", 3055}},
                     false,
                     [](const InternalBattery& b) {
                       EXPECT_THAT(b.temperature(), Optional(DoubleNear(30.55, 1e-9)));
                     }},
        RegistryCase{"TemperatureAsTextIsAbsent",
                     {{"Temperature", "hot"}, {"Voltage", true}},
                     false,
                     [](const InternalBattery& b) {
                       EXPECT_EQ(b.temperature(), std::nullopt);
                       EXPECT_EQ(b.voltage(), std::nullopt);
                     }},
        RegistryCase{"PackedManufactureDate",
                     {{"ManufactureDate", 21573}, {"Manufacturer", "SMP"}},
                     false,
                     [](const InternalBattery& b) {
                       EXPECT_EQ(b.manufactureDate(), year_month_day(year(2022), month(2), day(5)));
                       EXPECT_EQ(b.manufacturer(), "SMP");
                     }},
        RegistryCase{"UnprogrammedDateIsAbsent",
                     {{"ManufactureDate", 0}, {"Manufacturer", 5}},
                     false,
                     [](const InternalBattery& b) {
                       EXPECT_EQ(b.manufactureDate(), std::nullopt);
                       EXPECT_EQ(b.manufacturer(), std::nullopt);
                     }},
        RegistryCase{
            "DateOutsideSixteenBitsOrNotANumber",
            {{"ManufactureDate", 70000}},
            false,
            [](const InternalBattery& b) { EXPECT_EQ(b.manufactureDate(), std::nullopt); }},
        RegistryCase{"CycleCounts",
                     {{"CycleCount", std::uint64_t{321}}, {"DesignCycleCount9C", 1000}},
                     false,
                     [](const InternalBattery& b) {
                       EXPECT_EQ(b.cycleCount(), 321);
                       EXPECT_EQ(b.designCycleCount(), 1000);
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

struct TimeCase {
  const char* name;
  os::PlistDictionary source;
  std::optional<std::int64_t> remaining;
  const char* text;
};

class TimeRemaining : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeRemaining, FollowsTheChargingState) {
  Machine machine;
  machine.sources.clear();
  machine.sources.add(GetParam().source);
  const auto battery = machine.apple();
  EXPECT_EQ(battery.timeRemaining(), GetParam().remaining);
  EXPECT_EQ(battery.timeRemainingText(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimeRemaining,
    ::testing::Values(
        TimeCase{"EmptyIn95", {{"Is Charging", 0}, {"Time to Empty", 95}}, 95, "01:35"},
        TimeCase{"StillEstimating", {{"Time to Empty", -1}}, -1, "-"},
        TimeCase{"FullIn30",
                 {{"Is Charging", true}, {"Time to Full Charge", 30}, {"Time to Empty", 5}},
                 30,
                 "00:30"},
        TimeCase{"Zero", {{"Time to Empty", 0}}, 0, "-"},
        TimeCase{"NoTimeGiven", {{"Is Charging", 1}}, std::nullopt, "-"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeRemaining, UnknownWithoutAnyPowerSource) {
  Machine machine;
  machine.sources.clear();
  const auto battery = machine.apple();
  EXPECT_EQ(battery.isCharging(), std::nullopt);
  EXPECT_EQ(battery.timeRemaining(), std::nullopt);
  EXPECT_EQ(battery.timeRemainingText(), "-");
}

struct FlagCase {
  const char* name;
  os::PlistValue value;
  bool expected;
};

class PowerSourceFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(PowerSourceFlags, AreTrueOnlyForOne) {
  Machine machine;
  machine.sources.set(0, "Is Charging", GetParam().value);
  machine.sources.set(0, "Is Charged", GetParam().value);
  const auto battery = machine.legacy();
  EXPECT_EQ(battery.isCharging(), GetParam().expected);
  EXPECT_EQ(battery.isCharged(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, PowerSourceFlags,
                         ::testing::Values(FlagCase{"One", 1, true}, FlagCase{"True", true, true},
                                           FlagCase{"OnePointZero", 1.0, true},
                                           FlagCase{"TextOne", "1", false},
                                           FlagCase{"False", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PowerSourceState, OnlyTheExactTextMeansTheAdapter) {
  for (const auto& [value, expected] : std::vector<std::pair<os::PlistValue, bool>>{
           {"AC Power", true}, {"ac power", false}, {"Battery Power", false}, {1, false}}) {
    Machine machine;
    machine.sources.set(0, "Power Source State", value);
    EXPECT_EQ(machine.apple().acPowered(), expected);
  }
  Machine machine;
  EXPECT_EQ(machine.apple().acPowered(), false);
}

TEST(PowerSources, LaterSourcesOverwriteAndNonDictionariesAreSkipped) {
  Machine machine;
  machine.sources.set(0, "BatteryHealth", "Fair");
  machine.sources.set(0, "Time to Empty", 50);
  machine.sources.add("not a description");
  machine.sources.add(os::PlistDictionary{{"Name", "Second"}, {"BatteryHealth", "Unknown"}});
  const auto battery = machine.apple();
  EXPECT_EQ(battery.name(), "Second");
  EXPECT_EQ(battery.timeToEmpty(), std::nullopt);
  // A text that names no condition leaves the earlier one.
  EXPECT_EQ(battery.condition(), BatteryCondition::fair);
}

TEST(AppleInternalBattery, CapacitiesArePercentagesAndDesignIsInMilliampereHours) {
  Machine machine("AppleSMC", {{"DesignCapacity", 5000}, {"AppleRawMaxCapacity", 4500}});
  machine.sources.set(0, "Current Capacity", 78);
  machine.sources.set(0, "Max Capacity", 90);
  const auto battery = machine.apple();
  EXPECT_EQ(battery.level(), 78);
  EXPECT_THAT(battery.health(), Optional(90.0));
  EXPECT_EQ(battery.designCapacity(), 5000);
  EXPECT_EQ(battery.designCapacityText(), "5000 mAh");
  EXPECT_EQ(battery.maxCapacityText(), "90 %");
  EXPECT_EQ(battery.currentCapacityText(), "78 %");
}

TEST(AppleInternalBattery, DesignCapacityFallsBackToTheRawMaximum) {
  Machine machine("AppleSMC", {{"AppleRawMaxCapacity", 4500}});
  EXPECT_EQ(machine.apple().designCapacity(), 4500);
  Machine bare;
  const auto battery = bare.apple();
  EXPECT_EQ(battery.designCapacityText(), "-");
  EXPECT_EQ(battery.maxCapacityText(), "-");
  EXPECT_EQ(battery.health(), std::nullopt);
}

struct LevelCase {
  const char* name;
  os::PlistDictionary registry;
  os::PlistDictionary source;
  std::optional<std::int64_t> level;
};

class LegacyLevel : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LegacyLevel, Case) {
  Machine machine("IOSMBusController", GetParam().registry);
  for (const auto& [key, value] : GetParam().source) machine.sources.set(0, key, value);
  EXPECT_EQ(machine.legacy().level(), GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LegacyLevel,
    ::testing::Values(
        LevelCase{"ChargedIsFull",
                  {{"CurrentCapacity", 10}, {"MaxCapacity", 6000}},
                  {{"Is Charged", 1}, {"Current Capacity", 40}},
                  100},
        LevelCase{"SourcePercentageNext",
                  {{"CurrentCapacity", 10}, {"MaxCapacity", 6000}},
                  {{"Current Capacity", 40}},
                  40},
        LevelCase{"RatioRoundedHalfUp", {{"CurrentCapacity", 4000}, {"MaxCapacity", 6000}}, {}, 67},
        LevelCase{"ExactHalf", {{"CurrentCapacity", 1}, {"MaxCapacity", 8}}, {}, 13},
        LevelCase{"RawValuesStandIn",
                  {{"AppleRawCurrentCapacity", 3000}, {"AppleRawMaxCapacity", 6000}},
                  {},
                  50},
        LevelCase{"ZeroMaximum", {{"CurrentCapacity", 4000}, {"MaxCapacity", 0}}, {}, std::nullopt},
        LevelCase{"NoMaximum", {{"CurrentCapacity", 4000}}, {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LegacyInternalBattery, CapacitiesInMilliampereHoursAndHealthAgainstDesign) {
  Machine machine("IOSMBusController", {{"DesignCapacity", 5000},
                                        {"MaxCapacity", 4500},
                                        {"AppleRawMaxCapacity", 1},
                                        {"CurrentCapacity", 2250}});
  machine.sources.set(0, "Current Capacity", 50);
  const auto battery = machine.legacy();
  EXPECT_EQ(battery.internalCharge(), 50);
  EXPECT_EQ(battery.maxCapacity(), 4500);
  EXPECT_EQ(battery.maxCapacityText(), "4500 mAh");
  EXPECT_EQ(battery.currentCapacityText(), "2250 mAh");
  EXPECT_THAT(battery.health(), Optional(DoubleNear(90.0, 1e-9)));
}

TEST(LegacyInternalBattery, CapacitiesMissingOnALaterUpdateStayAsTheyWere) {
  Machine machine("IOSMBusController", {{"MaxCapacity", 4500}, {"CurrentCapacity", 2250}});
  auto battery = machine.legacy();
  machine.registry.erase(machine.battery, "MaxCapacity");
  machine.registry.erase(machine.battery, "CurrentCapacity");
  battery.update(machine.battery);
  EXPECT_EQ(battery.maxCapacity(), 4500);
  EXPECT_EQ(battery.currentCapacity(), 2250);
  const int reads = machine.registry.reads();
  battery.update(os::kNoRegistryEntry);
  EXPECT_EQ(machine.registry.reads(), reads);
}

TEST(ManufactureDate, DecodesOnlyCalendarDates) {
  EXPECT_EQ(decodeManufactureDate((42 << 9) | (2 << 5) | 29), std::nullopt);  // 2022 had no 29 Feb
  EXPECT_EQ(decodeManufactureDate((44 << 9) | (2 << 5) | 29),
            year_month_day(year(2024), month(2), day(29)));
  EXPECT_EQ(decodeManufactureDate((44 << 9) | (13 << 5) | 1), std::nullopt);
  EXPECT_EQ(decodeManufactureDate(-1), std::nullopt);
}

}  // namespace
}  // namespace tellwick
