#include "tools/watch/json_line.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace tellwick::watch {
namespace {

using Json = nlohmann::json;

TEST(JsonLineTest, OneLineWithRatesAndNullsWhereNothingIsKnown) {
  WatchState state(0.2);
  state.updateSensors({Sensor("TC0P", "CPU", 40.5), Sensor("VD0R", "Volts", std::nullopt)});
  state.updateTraffic({{7, "curl", 100, 1000}}, 10);
  std::string first = jsonLine(state, {Panel::sensors, Panel::traffic, Panel::fans}, 1700000000.5, true);
  state.updateTraffic({{7, "curl", 100 + 2048, 1000 + 512}}, 12);
  std::string second = jsonLine(state, {Panel::traffic}, 1700000002.5, false);

  ASSERT_EQ(first.back(), '\n');
  EXPECT_EQ(first.find('\n'), first.size() - 1);
  Json a = Json::parse(first), b = Json::parse(second);
  EXPECT_EQ(a["time"], 1700000000.5);
  EXPECT_EQ(a["interval"], 0.2);
  EXPECT_EQ(a["sensors"][0]["value"], 40.5);
  EXPECT_EQ(a["sensors"][0]["unit"], "°C");
  EXPECT_EQ(a["sensors"][0]["max"], 40.5);
  EXPECT_TRUE(a["sensors"][1]["value"].is_null());
  EXPECT_TRUE(a["traffic"][0]["sentPerSecond"].is_null());
  EXPECT_TRUE(a["fans"].is_null());
  EXPECT_FALSE(a.contains("batteries"));

  EXPECT_EQ(b["helperAnswering"], false);
  EXPECT_FALSE(b.contains("sensors"));
  EXPECT_EQ(b["traffic"][0]["sentPerSecond"], 1024.0);
  EXPECT_EQ(b["traffic"][0]["receivedPerSecond"], 256.0);
  EXPECT_EQ(b["traffic"][0]["sentRate"], "1 KB/s");
  EXPECT_EQ(b["traffic"][0]["receivedRate"], "256 B/s");
}

TEST(JsonLineTest, HostileNamesStayOneValidLine) {
  WatchState state(1);
  state.updateFans({Fan("F0Ac", std::string("fan\n\x1b[2J\xff"), 1, 0, 0, 0)});
  std::string line = jsonLine(state, {Panel::fans}, 0, true);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  Json parsed = Json::parse(line);
  EXPECT_EQ(parsed["fans"][0]["name"], "fan??[2J?");
  EXPECT_EQ(parsed["fans"][0]["relativeSpeed"], 1.0);
}

}  // namespace
}  // namespace tellwick::watch
