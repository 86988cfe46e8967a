// tellwickctl battery and peripherals on laptop device trees: each run is a
// tellwickctl process under umockdev-run, as a person would run it, and its
// JSON must hold what that person would compute from the sysfs files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace tellwick {
namespace {

using Json = nlohmann::ordered_json;

// Parameterised cases print as their names.
template <typename Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

struct CtlRun {
  int status = -1;
  std::string out;
};

CtlRun tellwickctl(const std::string& fixture, const std::string& arguments) {
  const std::string command = "timeout 60 umockdev-run --device " +
                              std::string(TELLWICK_FIXTURES_DIR) + "/" + fixture + " -- " +
                              TELLWICK_BIN_DIR + "/tellwickctl " + arguments;
  CtlRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0 && run.out.size() < (1 << 20)) {
    run.out.append(buffer, n);
  }
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

struct BatteryCase {
  const char* name;
  const char* fixture;
  const char* expected;  // the whole "internalBattery" value
};

class BatteryCommand : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(BatteryCommand, JsonHoldsTheValuesOfTheFiles) {
  const CtlRun run = tellwickctl(GetParam().fixture, "battery --json");
  ASSERT_EQ(run.status, 0) << run.out;
  const Json document = Json::parse(run.out, nullptr, false);
  ASSERT_FALSE(document.is_discarded()) << run.out;
  const Json expected = Json::parse(GetParam().expected);
  if (expected.is_null()) {
    EXPECT_TRUE(document.at("internalBattery").is_null());
    return;
  }
  const Json& actual = document.at("internalBattery");
  for (const auto& [key, value] : expected.items()) {
    if (value.is_number_float()) {
      EXPECT_NEAR(actual.at(key).get<double>(), value.get<double>(), 1e-3) << key;
    } else {
      EXPECT_EQ(actual.at(key), value) << key;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Laptops, BatteryCommand,
    ::testing::Values(
        // energy_full_design 57 Wh at 11.4 V is 5000 mAh; 14.25 W at 12.6 V
        // is 1131 mA; 11.4 Wh to go at 14.25 W is 48 minutes.
        BatteryCase{"AcpiEnergyCharging", "power/laptop-energy.umockdev",
                    R"({"class":"apple","name":"BAT0","timeToFull":48,"timeToEmpty":-1,
                        "manufacturer":"SMP","manufactureDate":null,"designCapacity":5000,
                        "maxCapacity":90,"currentCapacity":78,"designCapacityText":"5000 mAh",
                        "maxCapacityText":"90 %","currentCapacityText":"78 %",
                        "cycleCount":123,"designCycleCount":null,"acPowered":true,
                        "isCharging":true,"isCharged":false,"amperage":1131,"voltage":12.6,
                        "watts":14.2506,"health":90.0,"temperature":null,"level":78,
                        "condition":"good","timeRemainingText":"00:48","timeRemaining":48})"},
        // 1.98 Ah left at 1.1 A is 108 minutes; cycle_count 0 means unknown.
        BatteryCase{"AcpiChargeDischarging", "power/laptop-charge.umockdev",
                    R"({"class":"apple","name":"BAT1","timeToEmpty":108,"level":50,
                        "designCapacity":4400,"maxCapacityText":"90 %","cycleCount":null,
                        "acPowered":false,"isCharging":false,"amperage":-1100,
                        "voltage":11.1,"watts":12.21,"timeRemainingText":"01:48"})"},
        BatteryCase{"SmartBatteryOnI2c", "power/sbs-i2c.umockdev",
                    R"({"class":"legacy","name":"sbs-0-000b","level":100,
                        "designCapacity":6000,"maxCapacity":5400,"currentCapacity":5400,
                        "maxCapacityText":"5400 mAh","currentCapacityText":"5400 mAh",
                        "health":90.0,"temperature":30.5,"cycleCount":42,
                        "manufactureDate":"2022-02-05","manufacturer":"SMP-SDI",
                        "isCharged":true,"timeRemainingText":"-","timeRemaining":-1,
                        "watts":0.0})"},
        BatteryCase{"DesktopWithoutBattery", "desktop-hwmon.umockdev", "null"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BatteryCommand, SaysSoWhenThereIsNoBattery) {
  const CtlRun run = tellwickctl("desktop-hwmon.umockdev", "battery");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "no internal battery\n");
}

TEST(PeripheralsCommand, ListsTheHidBatteriesUnderTheirCodingKeys) {
  const CtlRun run = tellwickctl("power/laptop-energy.umockdev", "peripherals --json");
  ASSERT_EQ(run.status, 0) << run.out;
  const Json document = Json::parse(run.out, nullptr, false);
  ASSERT_FALSE(document.is_discarded()) << run.out;
  EXPECT_EQ(document, Json::parse(R"({"peripherals":[
      {"isCharging":false,"type":"Mouse","batteryLevel":67,"name":"MX Master 3",
       "productId":45091,"serial":"f0-b3-ec-01-02-03","manufacturer":"Logitech Inc."},
      {"isCharging":true,"type":"Keyboard","batteryLevel":70,"name":"Magic Keyboard",
       "productId":668,"serial":"f0t1234abcd"}]})"));
}

TEST(PeripheralsCommand, BadArgumentsAreAUsageError) {
  EXPECT_EQ(tellwickctl("power/laptop-energy.umockdev", "peripherals --yaml").status, 64);
  const CtlRun none = tellwickctl("power/sbs-i2c.umockdev", "peripherals --json");
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(Json::parse(none.out, nullptr, false), Json::parse(R"({"peripherals":[]})"));
}

}  // namespace
}  // namespace tellwick
