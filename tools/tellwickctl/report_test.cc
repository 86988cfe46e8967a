#include "tools/tellwickctl/report.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "os/utf8.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_io_registry.h"
#include "tests/fakes/fake_power_sources.h"
#include "tools/tellwickctl/battery.h"
#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {
namespace {

std::vector<const Category*> chosen(std::string_view name) {
  auto all = categories();
  return {*std::ranges::find_if(all, [&](const Category* c) { return c->helper.name == name; })};
}

using Json = nlohmann::ordered_json;

TEST(ReportTest, AnUnreadableListSaysWhyAndTextThatIsNotUtf8NeverAbortsTheJson) {
  testing::FakeHelperDataModel store;
  store.setFans({Fan("F0Ac", std::string("Left\xff"), 1, 0, 2, 1)});
  auto failure = [](SensorDataModelKey key) -> std::optional<std::string> {
    if (key == SensorDataModelKey::traffic) return "cannot open x: Permission denied";
    return std::nullopt;
  };
  EXPECT_EQ(humanReport(chosen("traffic"), store, failure),
            "Traffic\n  cannot be read: cannot open x: Permission denied\n");
  EXPECT_NE(jsonReport(chosen("fans"), store).find("\"Left\xef\xbf\xbd\""), std::string::npos);
}

TEST(ReportTest, EachCategoryFillsItsTableWithUnitsAndFractionDigitsInAlignedColumns) {
  testing::FakeHelperDataModel store;
  store.setSensors({Sensor("TC0P", "CPU proximity", 45.25), Sensor("VD0R", "DC in", 12.345678),
                    Sensor("IC0R", "CPU current", 1.5), Sensor("PSTR", "System total", 20.0),
                    Sensor("XYZW", "Something", 3.75), Sensor("TA0P", "Ambient", std::nullopt)});
  store.setTraffic({ProcessTrafficInfo(42, "curl", 1500, 2'000'000)});
  auto keyboard = std::make_shared<SingleBatteryDevice>(DeviceType::keyboard, "Keys");
  keyboard->setBatteryLevel(80);
  keyboard->setIsCharging(true);
  keyboard->setSerial("aa-bb");
  store.setSingleBatteryDevices({keyboard});
  store.setDoubleBatteryDevices({std::make_shared<DoubleBatteryDevice>(
      "Buds", "cc-dd", "Apple Inc.", std::nullopt, 90, std::nullopt, "Headphones")});
  EXPECT_EQ(humanReport(categories(), store),
            "Sensors from SMC (applesmc)\n"
            "  IDENTIFIER  DESCRIPTION        VALUE\n"
            "  TC0P        CPU proximity      45 °C\n"
            "  VD0R        DC in          12.3457 V\n"
            "  IC0R        CPU current       1.50 A\n"
            "  PSTR        System total     20.00 W\n"
            "  XYZW        Something              4\n"
            "  TA0P        Ambient                -\n\n"
            "Fans\n  none reported\n\n"
            "Traffic\n"
            "  PID  NAME  SENT  RECEIVED\n"
            "   42  curl  2 KB      2 MB\n\n"
            "Single battery devices\n"
            "  NAME  TYPE      LEVEL  CHARGING  MANUFACTURER  SERIAL\n"
            "  Keys  Keyboard    80%  yes       -             aa-bb\n\n"
            "Double battery devices\n"
            "  NAME  TYPE        LEFT  RIGHT  LEVEL  CHARGING  MANUFACTURER  SERIAL\n"
            "  Buds  Headphones   90%      -      -  no        Apple Inc.    cc-dd\n");
}

TEST(ReportTest, PeripheralsTableEndsEachLineWithItsLastValue) {
  auto keyboard = std::make_shared<SingleBatteryDevice>(DeviceType::keyboard, "Keys");
  keyboard->setBatteryLevel(80);
  keyboard->setSerial("aa-bb");
  EXPECT_EQ(peripheralsText({keyboard}),
            "NAME  TYPE      LEVEL  CHARGING  MANUFACTURER  SERIAL\n"
            "Keys  Keyboard  80%    no        -             aa-bb\n");
}

// A driver's manufacturer or a HID model name may be any bytes: none of
// them breaks a line, drives the terminal or stops the JSON.
TEST(ReportTest, BatteryTextFromDevicesIsMadeSafe) {
  const std::string hostile = "Evil\xff\x1b[2J\nName";
  testing::FakeIoRegistry registry;
  testing::FakePowerSources sources;
  sources.add(os::PlistDictionary{{"Name", hostile}});
  AppleInternalBattery battery(registry, sources, registry.add("", {{"Manufacturer", hostile}}));
  const BatteryDevices mouse{std::make_shared<SingleBatteryDevice>(DeviceType::mouse, hostile)};
  for (const auto& [text, lines] :
       {std::pair(internalBatteryText(&battery), 20), {peripheralsText(mouse), 2}}) {
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), lines) << text;
    EXPECT_TRUE(text.find('\x1b') == std::string::npos && isValidUtf8(text)) << text;
  }
  for (const auto& json : {internalBatteryJson(&battery), peripheralsJson(mouse)}) {
    EXPECT_FALSE(Json::parse(json, nullptr, false).is_discarded()) << json;
  }
}

}  // namespace
}  // namespace tellwick::ctl
