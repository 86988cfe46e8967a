#include "tools/tellwickctl/report.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "tests/fakes/fake_helper_data_model.h"
#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {
namespace {

std::vector<const Category*> chosen(std::vector<std::string_view> names) {
  std::vector<const Category*> out;
  for (const Category* c : categories()) {
    if (std::find(names.begin(), names.end(), c->name) != names.end()) out.push_back(c);
  }
  EXPECT_EQ(out.size(), names.size());
  return out;
}

TEST(ReportTest, EmptyOrMissingCategoriesSayNoneReported) {
  testing::FakeHelperDataModel store;
  store.setFans({});
  store.setSingleBatteryDevices({});
  EXPECT_EQ(humanReport(categories(), store),
            "Sensors\n  none reported\n\n"
            "Fans\n  none reported\n\n"
            "Traffic\n  none reported\n\n"
            "Single battery devices\n  none reported\n\n"
            "Double battery devices\n  none reported\n");
}

TEST(ReportTest, AnUnreadableListSaysWhyAndTextThatIsNotUtf8NeverAbortsTheJson) {
  testing::FakeHelperDataModel store;
  store.setFans({Fan("F0Ac", std::string("Left\xff"), 1, 0, 2, 1)});
  auto failure = [](SensorDataModelKey key) -> std::optional<std::string> {
    if (key == SensorDataModelKey::traffic) return "cannot open x: Permission denied";
    return std::nullopt;
  };
  EXPECT_EQ(humanReport(chosen({"traffic"}), store, failure),
            "Traffic\n  cannot be read: cannot open x: Permission denied\n");
  EXPECT_NE(jsonReport(chosen({"fans"}), store).find("\"Left\xef\xbf\xbd\""), std::string::npos);
}

TEST(ReportTest, SensorValuesCarryUnitAndFractionDigitsInAlignedColumns) {
  testing::FakeHelperDataModel store;
  store.setSensors({Sensor("TC0P", "CPU proximity", 45.25), Sensor("VD0R", "DC in", 12.345678),
                    Sensor("IC0R", "CPU current", 1.5), Sensor("PSTR", "System total", 20.0),
                    Sensor("XYZW", "Something", 3.75), Sensor("TA0P", "Ambient", std::nullopt)});
  EXPECT_EQ(humanReport(chosen({"sensors"}), store),
            "Sensors from SMC (applesmc)\n"
            "  IDENTIFIER  DESCRIPTION        VALUE\n"
            "  TC0P        CPU proximity      45 °C\n"
            "  VD0R        DC in          12.3457 V\n"
            "  IC0R        CPU current       1.50 A\n"
            "  PSTR        System total     20.00 W\n"
            "  XYZW        Something              4\n"
            "  TA0P        Ambient                -\n");
}

TEST(ReportTest, FansTrafficAndBatteriesFillTheirTables) {
  testing::FakeHelperDataModel store;
  store.setFans({Fan("F0Ac", "Left", 2000, 1200, 6000, 2100)});
  store.setTraffic({ProcessTrafficInfo(42, "curl", 1500, 2'000'000)});
  auto keyboard = std::make_shared<SingleBatteryDevice>(DeviceType::keyboard, "Keys");
  keyboard->setBatteryLevel(80);
  keyboard->setIsCharging(true);
  keyboard->setSerial("aa-bb");
  store.setSingleBatteryDevices({keyboard});
  store.setDoubleBatteryDevices({std::make_shared<DoubleBatteryDevice>(
      "Buds", "cc-dd", "Apple Inc.", std::nullopt, 90, std::nullopt, "Headphones")});
  EXPECT_EQ(humanReport(chosen({"fans", "traffic", "batteries"}), store),
            "Fans\n"
            "  IDENTIFIER  NAME   RPM   MIN   MAX  TARGET\n"
            "  F0Ac        Left  2000  1200  6000    2100\n\n"
            "Traffic\n"
            "  PID  NAME  SENT  RECEIVED\n"
            "   42  curl  2 KB      2 MB\n\n"
            "Single battery devices\n"
            "  NAME  TYPE      LEVEL  CHARGING  MANUFACTURER  SERIAL\n"
            "  Keys  Keyboard    80%  yes       -             aa-bb\n\n"
            "Double battery devices\n"
            "  NAME  TYPE        LEFT  RIGHT  LEVEL  MANUFACTURER  SERIAL\n"
            "  Buds  Headphones   90%      -      -  Apple Inc.    cc-dd\n");
}

TEST(ReportTest, JsonUsesTheCodingKeysAndNullForMissingLists) {
  testing::FakeHelperDataModel store;
  store.setSensors({Sensor("TC0P", "CPU", 45.5), Sensor("TA0P", "Air", std::nullopt)});
  store.setFans({Fan("F0Ac", "Left", 2000, 1200, 6000, 2100)});
  store.setDoubleBatteryDevices({std::make_shared<DoubleBatteryDevice>(
      "Buds", "cc-dd", "Apple Inc.", std::nullopt, 90, std::nullopt, "Headphones")});

  auto json = nlohmann::ordered_json::parse(jsonReport(categories(), store));
  std::vector<std::string> keys;
  for (auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"sensors", "source", "fans", "traffic",
                                            "singleBatteryDevices", "doubleBatteryDevices"}));
  EXPECT_EQ(nlohmann::json(json["sensors"]),
            nlohmann::json::parse(R"([{"Identifier": "TC0P", "Description": "CPU", "Value": 45.5},
                                      {"Identifier": "TA0P", "Description": "Air"}])"));
  EXPECT_EQ(nlohmann::json(json["fans"][0]), (nlohmann::json{{"identifier", "F0Ac"}, {"name", "Left"}, {"rpm", 2000},
                                                             {"min", 1200}, {"max", 6000}, {"target", 2100}}));
  EXPECT_TRUE(json["traffic"].is_null());
  EXPECT_TRUE(json["singleBatteryDevices"].is_null());
  EXPECT_EQ(json["doubleBatteryDevices"][0]["firstLevel"], 90);
  EXPECT_TRUE(json["doubleBatteryDevices"][0]["secondLevel"].is_null());

  testing::FakeHelperDataModel empty;
  EXPECT_EQ(nlohmann::json::parse(jsonReport(chosen({"fans"}), empty)), (nlohmann::json{{"fans", nullptr}}));
}

TEST(ReportTest, SensorsNameThePathThatAnsweredThem) {
  struct Case {
    std::optional<std::vector<Sensor>> sensors;
    const char* heading;
    nlohmann::json source;
  } const cases[] = {
      {std::vector<Sensor>{Sensor("TC0P", "CPU", 45.5)}, "Sensors from SMC (applesmc)\n",
       "SMC (applesmc)"},
      {std::vector<Sensor>{Sensor("appleThermal001", "coretemp Core 0", 45.0),
                           Sensor("appleVoltage002", "BAT0 in0", 12.1)},
       "Sensors from hwmon (libsensors)\n", "hwmon (libsensors)"},
      {std::vector<Sensor>{}, "Sensors\n", nullptr},
      {std::nullopt, "Sensors\n", nullptr},
  };
  for (const auto& c : cases) {
    testing::FakeHelperDataModel store;
    if (c.sensors) store.setSensors(*c.sensors);
    const std::string text = humanReport(chosen({"sensors"}), store);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), c.heading);
    EXPECT_EQ(nlohmann::json::parse(jsonReport(chosen({"sensors"}), store))["source"], c.source)
        << c.heading;
  }
}

}  // namespace
}  // namespace tellwick::ctl
