#include "tools/tellwickctl/report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/fakes/fake_helper_data_model.h"
#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const Category* category(std::string_view name) {
  for (const Category* c : categories()) {
    if (c->name == name) return c;
  }
  ADD_FAILURE() << "no category " << name;
  return nullptr;
}

class ReportTest : public ::testing::Test {
 protected:
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      out.push_back(text.substr(start, end - start));
    }
    return out;
  }
  static std::size_t characters(const std::string& s) {
    std::size_t n = 0;
    for (char c : s) n += (c & 0xC0) != 0x80;
    return n;
  }
  std::string human(std::vector<std::string_view> names) {
    std::vector<const Category*> chosen;
    for (auto n : names) chosen.push_back(category(n));
    return humanReport(chosen, store_);
  }

  testing::FakeHelperDataModel store_;
};

TEST_F(ReportTest, EmptyOrMissingCategoriesSayNoneReported) {
  store_.setFans({});
  store_.setSingleBatteryDevices({});
  EXPECT_EQ(humanReport(categories(), store_),
            "Sensors\n  none reported\n\n"
            "Fans\n  none reported\n\n"
            "Traffic\n  none reported\n\n"
            "Single battery devices\n  none reported\n\n"
            "Double battery devices\n  none reported\n");
}

TEST_F(ReportTest, AnUnreadableListSaysWhyAndTextThatIsNotUtf8NeverAbortsTheJson) {
  store_.setFans({Fan("F0Ac", std::string("Left\xff"), 1, 0, 2, 1)});
  auto failure = [](SensorDataModelKey key) -> std::optional<std::string> {
    if (key == SensorDataModelKey::traffic) return "cannot open x: Permission denied";
    return std::nullopt;
  };
  std::vector<const Category*> chosen{category("traffic")};
  EXPECT_EQ(humanReport(chosen, store_, failure),
            "Traffic\n  cannot be read: cannot open x: Permission denied\n");
  chosen = {category("fans")};
  EXPECT_THAT(jsonReport(chosen, store_), HasSubstr("\"Left\xef\xbf\xbd\""));
}

TEST_F(ReportTest, SensorValuesCarryUnitAndFractionDigitsInAlignedColumns) {
  store_.setSensors({
      Sensor("TC0P", "CPU proximity", 45.25),
      Sensor("VD0R", "DC in", 12.345678),
      Sensor("IC0R", "CPU current", 1.5),
      Sensor("PSTR", "System total", 20.0),
      Sensor("XYZW", "Something", 3.75),
      Sensor("TA0P", "Ambient", std::nullopt),
  });
  auto text = lines(human({"sensors"}));
  ASSERT_EQ(text.size(), 8u);
  EXPECT_EQ(text[0], "Sensors");
  EXPECT_THAT(text[1], ::testing::StartsWith("  IDENTIFIER  DESCRIPTION"));
  EXPECT_THAT(text[2], ::testing::StartsWith("  TC0P        CPU proximity"));
  EXPECT_THAT(text[2], HasSubstr(" 45 °C"));
  EXPECT_THAT(text[3], HasSubstr("12.3457 V"));
  EXPECT_THAT(text[4], HasSubstr("1.50 A"));
  EXPECT_THAT(text[5], HasSubstr("20.00 W"));
  EXPECT_THAT(text[6], ::testing::EndsWith(" 4"));
  EXPECT_THAT(text[7], ::testing::EndsWith(" -"));
  for (std::size_t i = 2; i < text.size(); ++i) {
    EXPECT_EQ(characters(text[i]), characters(text[1])) << text[i];
  }
}

TEST_F(ReportTest, FansTrafficAndBatteriesFillTheirTables) {
  store_.setFans({Fan("F0Ac", "Left", 2000, 1200, 6000, 2100)});
  store_.setTraffic({ProcessTrafficInfo(42, "curl", 1500, 2'000'000)});
  auto keyboard = std::make_shared<SingleBatteryDevice>(DeviceType::keyboard, "Keys");
  keyboard->setBatteryLevel(80);
  keyboard->setIsCharging(true);
  keyboard->setSerial("aa-bb");
  store_.setSingleBatteryDevices({keyboard});
  store_.setDoubleBatteryDevices({std::make_shared<DoubleBatteryDevice>(
      "Buds", "cc-dd", "Apple Inc.", std::nullopt, 90, std::nullopt, "Headphones")});

  std::string text = human({"fans", "traffic", "batteries"});
  EXPECT_THAT(text, HasSubstr("F0Ac        Left  2000  1200  6000    2100"));
  EXPECT_THAT(text, HasSubstr("42  curl"));
  EXPECT_THAT(text, HasSubstr("2 KB"));
  EXPECT_THAT(text, HasSubstr("2 MB"));
  EXPECT_THAT(text, HasSubstr("Keys  Keyboard"));
  EXPECT_THAT(text, HasSubstr("80%  yes"));
  EXPECT_THAT(text, HasSubstr("90%"));
  EXPECT_THAT(text, Not(HasSubstr("none reported")));
}

TEST_F(ReportTest, JsonUsesTheCodingKeysAndNullForMissingLists) {
  store_.setSensors({Sensor("TC0P", "CPU", 45.5), Sensor("TA0P", "Air", std::nullopt)});
  store_.setFans({Fan("F0Ac", "Left", 2000, 1200, 6000, 2100)});
  store_.setDoubleBatteryDevices({std::make_shared<DoubleBatteryDevice>(
      "Buds", "cc-dd", "Apple Inc.", std::nullopt, 90, std::nullopt, "Headphones")});

  auto json = nlohmann::ordered_json::parse(jsonReport(categories(), store_));
  std::vector<std::string> keys;
  for (auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"sensors", "fans", "traffic", "singleBatteryDevices",
                                            "doubleBatteryDevices"}));
  EXPECT_EQ(nlohmann::json(json["sensors"][0]),
            (nlohmann::json{{"Identifier", "TC0P"}, {"Description", "CPU"}, {"Value", 45.5}}));
  EXPECT_FALSE(json["sensors"][1].contains("Value"));
  EXPECT_EQ(nlohmann::json(json["fans"][0]), (nlohmann::json{{"identifier", "F0Ac"}, {"name", "Left"}, {"rpm", 2000},
                                                             {"min", 1200}, {"max", 6000}, {"target", 2100}}));
  EXPECT_TRUE(json["traffic"].is_null());
  EXPECT_TRUE(json["singleBatteryDevices"].is_null());
  EXPECT_EQ(json["doubleBatteryDevices"][0]["firstLevel"], 90);
  EXPECT_TRUE(json["doubleBatteryDevices"][0]["secondLevel"].is_null());

  testing::FakeHelperDataModel empty;
  const Category* fans[] = {category("fans")};
  EXPECT_EQ(nlohmann::json::parse(jsonReport(fans, empty)), (nlohmann::json{{"fans", nullptr}}));
}

}  // namespace
}  // namespace tellwick::ctl
