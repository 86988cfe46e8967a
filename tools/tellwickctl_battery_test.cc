#include "tools/tellwickctl_battery.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/fakes/fake_io_registry.h"
#include "tests/fakes/fake_power_sources.h"

namespace tellwick::ctl {
namespace {

using Json = nlohmann::ordered_json;
using testing::FakeIoRegistry;
using testing::FakePowerSources;

TEST(BatteryJson, NoBatteryIsNull) {
  EXPECT_EQ(Json::parse(internalBatteryJson(nullptr)), Json::parse(R"({"internalBattery":null})"));
  EXPECT_EQ(internalBatteryText(nullptr), "no internal battery\n");
}

struct JsonCase {
  const char* name;
  const char* controller;
  os::PlistDictionary registry;
  os::PlistDictionary source;
  const char* expected;  // the keys checked, as JSON
};

class BatteryJsonValues : public ::testing::TestWithParam<JsonCase> {};

TEST_P(BatteryJsonValues, UseThePropertyNamesAndNullForAbsent) {
  FakeIoRegistry registry;
  FakePowerSources sources;
  const auto parent = registry.addController(GetParam().controller);
  registry.add("AppleSmartBattery", GetParam().registry, parent);
  sources.add(GetParam().source);
  const auto battery = InternalFinder(registry, sources).find();
  ASSERT_TRUE(battery);
  const Json document = Json::parse(internalBatteryJson(battery.get()));
  const Json& object = document.at("internalBattery");
  EXPECT_EQ(object.size(), 26u);
  EXPECT_EQ(object.begin().key(), "class");
  const Json expected = Json::parse(GetParam().expected);
  for (const auto& [key, value] : expected.items()) {
    EXPECT_EQ(object.at(key), value) << key;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Batteries, BatteryJsonValues,
    ::testing::Values(
        JsonCase{"Apple",
                 "AppleSMC",
                 {{"ManufactureDate", 21573}, {"DesignCapacity", 5000}},
                 {{"Name", "BAT0"}, {"Current Capacity", 78}, {"BatteryHealth", "Fair"},
                  {"Time to Empty", 95}},
                 R"({"class":"apple","name":"BAT0","manufactureDate":"2022-02-05",
                     "currentCapacityText":"78 %","level":78,"condition":"fair",
                     "timeRemainingText":"01:35","designCapacityText":"5000 mAh",
                     "voltage":null,"cycleCount":null})"},
        JsonCase{"LegacyWithNothingKnown",
                 "IOSMBusController",
                 {},
                 {{"Name", "sbs"}},
                 R"({"class":"legacy","manufactureDate":null,"condition":null,
                     "maxCapacityText":"-","level":null,"isCharging":false,
                     "timeRemaining":null})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PeripheralsJson, DevicesUnderTheirCodingKeys) {
  auto device = std::make_shared<SingleBatteryDevice>(DeviceType::mouse, "MX Master 3", 67.0);
  device->setSerial("f0-b3-ec-01-02-03");
  device->setProductId(0xB023);
  const Json document = Json::parse(peripheralsJson({device}));
  EXPECT_EQ(document, Json::parse(R"({"peripherals":[{"isCharging":false,"type":"Mouse",
      "batteryLevel":67,"name":"MX Master 3","productId":45091,
      "serial":"f0-b3-ec-01-02-03"}]})"));
  EXPECT_EQ(Json::parse(peripheralsJson({})), Json::parse(R"({"peripherals":[]})"));
}

}  // namespace
}  // namespace tellwick::ctl
