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
  const char* expected;  // some keys of the "internalBattery" value
};

class BatteryCommand : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(BatteryCommand, JsonHoldsTheValuesOfTheFiles) {
  const CtlRun run = tellwickctl(GetParam().fixture, "battery --json");
  ASSERT_EQ(run.status, 0) << run.out;
  const Json document = Json::parse(run.out, nullptr, false);
  ASSERT_FALSE(document.is_discarded()) << run.out;
  const Json expected = Json::parse(GetParam().expected);
  const Json& actual = document.at("internalBattery");
  for (const auto& [key, value] : expected.items()) {
    if (value.is_number_float()) {
      EXPECT_NEAR(actual.at(key).get<double>(), value.get<double>(), 1e-3) << key;
    } else {
      EXPECT_EQ(actual.at(key), value) << key;
    }
  }
}

// One row per way a battery is described in sysfs: in energy, in charge,
// or as a smart battery on the I2C bus.
INSTANTIATE_TEST_SUITE_P(
    Laptops, BatteryCommand,
    ::testing::Values(
        // energy_full_design 57 Wh at 11.4 V is 5000 mAh; 14.25 W at 12.6 V
        // is 1131 mA; 11.4 Wh to go at 14.25 W is 48 minutes.
        BatteryCase{"AcpiEnergyCharging", "power/laptop-energy.umockdev",
                    R"({"class":"apple","timeToFull":48,"designCapacity":5000,"maxCapacity":90,
                        "amperage":1131,"voltage":12.6,"condition":"good"})"},
        // 1.98 Ah left at 1.1 A is 108 minutes; cycle_count 0 means unknown.
        BatteryCase{"AcpiChargeDischarging", "power/laptop-charge.umockdev",
                    R"({"class":"apple","timeToEmpty":108,"designCapacity":4400,
                        "cycleCount":null,"amperage":-1100})"},
        BatteryCase{"SmartBatteryOnI2c", "power/sbs-i2c.umockdev",
                    R"({"class":"legacy","maxCapacity":5400,"temperature":30.5,
                        "manufactureDate":"2022-02-05","isCharged":true})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BatteryCommand, SaysSoWhenThereIsNoBattery) {
  const CtlRun run = tellwickctl("desktop-hwmon.umockdev", "battery");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "no internal battery\n");
}

TEST(PeripheralsCommand, ListsTheHidBatteriesUnderTheirCodingKeys) {
  const CtlRun run = tellwickctl("power/laptop-energy.umockdev", "peripherals --json");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Json::parse(run.out, nullptr, false), Json::parse(R"({"peripherals":[
      {"isCharging":false,"type":"Mouse","batteryLevel":67,"name":"MX Master 3",
       "productId":45091,"serial":"f0-b3-ec-01-02-03","manufacturer":"Logitech Inc."},
      {"isCharging":true,"type":"Keyboard","batteryLevel":70,"name":"Magic Keyboard",
       "productId":668,"serial":"f0t1234abcd"}]})"));
}

}  // namespace
}  // namespace tellwick
