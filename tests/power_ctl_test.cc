// tellwickctl battery and peripherals on laptop device trees: each run is a
// tellwickctl process under umockdev-run, as a person would run it, and its
// JSON must hold what that person would compute from the sysfs files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

namespace tellwick {
namespace {

using Json = nlohmann::ordered_json;

// Exit status and standard output (at most 1 MiB) of one run.
std::pair<int, std::string> tellwickctl(const std::string& fixture, const std::string& arguments) {
  const std::string command = "timeout 60 umockdev-run --device " +
                              std::string(TELLWICK_FIXTURES_DIR) + "/" + fixture + " -- " +
                              TELLWICK_BIN_DIR + "/tellwickctl " + arguments;
  std::pair<int, std::string> run = {-1, ""};
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0 && run.second.size() < (1 << 20)) {
    run.second.append(buffer, n);
  }
  const int status = ::pclose(pipe);
  run.first = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// One row per way a battery is described in sysfs: in energy, in charge,
// or as a smart battery on the I2C bus; some keys of "internalBattery".
TEST(BatteryCommand, JsonHoldsTheValuesOfTheFiles) {
  const std::pair<const char*, const char*> cases[] = {
      // energy_full_design 57 Wh at 11.4 V is 5000 mAh; 14.25 W at 12.6 V
      // is 1131 mA; 11.4 Wh to go at 14.25 W is 48 minutes.
      {"power/laptop-energy.umockdev",
       R"({"class":"apple","timeToFull":48,"designCapacity":5000,"amperage":1131,"voltage":12.6})"},
      // 1.98 Ah left at 1.1 A is 108 minutes; cycle_count 0 means unknown.
      {"power/laptop-charge.umockdev",
       R"({"timeToEmpty":108,"designCapacity":4400,"cycleCount":null,"amperage":-1100})"},
      {"power/sbs-i2c.umockdev",
       R"({"class":"legacy","maxCapacity":5400,"temperature":30.5,
           "manufactureDate":"2022-02-05","isCharged":true})"},
  };
  for (const auto& [fixture, expected] : cases) {
    const auto [status, out] = tellwickctl(fixture, "battery --json");
    ASSERT_EQ(status, 0) << fixture << ": " << out;
    const Json actual = Json::parse(out, nullptr, false).value("internalBattery", Json());
    const Json keys = Json::parse(expected);
    for (const auto& [key, value] : keys.items()) {
      if (value.is_number_float()) {
        EXPECT_NEAR(actual.value(key, 0.0), value.get<double>(), 1e-3) << fixture << " " << key;
      } else {
        EXPECT_EQ(actual.value(key, Json()), value) << fixture << " " << key;
      }
    }
  }
  EXPECT_EQ(tellwickctl("desktop-hwmon.umockdev", "battery"),
            std::pair(0, std::string("no internal battery\n")));
}

TEST(PeripheralsCommand, ListsTheHidBatteriesUnderTheirCodingKeys) {
  const auto [status, out] = tellwickctl("power/laptop-energy.umockdev", "peripherals --json");
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(Json::parse(out, nullptr, false), Json::parse(R"({"peripherals":[
      {"isCharging":false,"type":"Mouse","batteryLevel":67,"name":"MX Master 3",
       "productId":45091,"serial":"f0-b3-ec-01-02-03","manufacturer":"Logitech Inc."},
      {"isCharging":true,"type":"Keyboard","batteryLevel":70,"name":"Magic Keyboard",
       "productId":668,"serial":"f0t1234abcd"}]})"));
}

}  // namespace
}  // namespace tellwick
