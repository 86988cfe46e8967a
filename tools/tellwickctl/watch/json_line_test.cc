#include "tools/tellwickctl/watch/json_line.h"

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
  state.updateTraffic({{7, "curl", 100 + 2048, 1000}}, 12);
  std::string second = jsonLine(state, {Panel::traffic}, 1700000002.5, false);

  EXPECT_EQ(first,
            R"({"time":1700000000.5,"interval":0.2,"helperAnswering":true,"sensors":[)"
            R"({"identifier":"TC0P","description":"CPU","value":40.5,"unit":"°C","min":40.5,"max":40.5},)"
            R"({"identifier":"VD0R","description":"Volts","value":null,"unit":"V","min":null,"max":null}],)"
            R"("traffic":[{"pid":7,"name":"curl","sent":100,"received":1000,"sentPerSecond":null,)"
            R"("receivedPerSecond":null,"sentRate":null,"receivedRate":null}],"fans":null})" "\n");
  EXPECT_EQ(second,
            R"({"time":1700000002.5,"interval":0.2,"helperAnswering":false,"traffic":[{"pid":7,"name":"curl",)"
            R"("sent":2148,"received":1000,"sentPerSecond":1024.0,"receivedPerSecond":0.0,"sentRate":"1 KB/s",)"
            R"("receivedRate":"0 B/s"}]})" "\n");
}

TEST(JsonLineTest, HostileNamesStayOneValidLine) {
  WatchState state(1);
  state.updateFans({Fan("F0Ac", std::string("fan\n\x1b[2J\xff"), 1, 0, 0, 0)});
  std::string line = jsonLine(state, {Panel::fans}, 0, true);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  EXPECT_EQ(Json::parse(line)["fans"][0]["name"], "fan??[2J?");
}

}  // namespace
}  // namespace tellwick::watch
