#include "tools/tellwickctl_output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace tellwick::ctl {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

Invocation parsed(std::vector<std::string> arguments) {
  auto result = parseArguments(arguments);
  EXPECT_TRUE(result.invocation.has_value()) << result.error;
  return result.invocation.value_or(Invocation{});
}

std::string rejection(std::vector<std::string> arguments) {
  auto result = parseArguments(arguments);
  EXPECT_FALSE(result.invocation.has_value());
  return result.error;
}

TEST(ParseArgumentsTest, AcceptsEachCommandWithOptionsInAnyOrder) {
  auto fans = parsed({"fans"});
  EXPECT_EQ(fans.categories, std::vector<Category>{Category::fans});
  EXPECT_FALSE(fans.json);
  EXPECT_EQ(fans.timeout, std::chrono::seconds(10));

  auto all = parsed({"--json", "all", "--timeout", "2.5"});
  EXPECT_EQ(all.categories, (std::vector<Category>{Category::sensors, Category::fans,
                                                   Category::traffic, Category::batteries}));
  EXPECT_TRUE(all.json);
  EXPECT_EQ(all.timeout, std::chrono::milliseconds(2500));

  EXPECT_EQ(parsed({"batteries", "--timeout=0.001"}).timeout, std::chrono::milliseconds(1));
  EXPECT_EQ(parsed({"terminate"}).action, Invocation::Action::terminate);
  EXPECT_EQ(parsed({"sensors", "--help"}).action, Invocation::Action::help);
}

TEST(ParseArgumentsTest, RejectsWhatItCannotDo) {
  EXPECT_THAT(rejection({}), HasSubstr("no command"));
  EXPECT_THAT(rejection({"temperatures"}), HasSubstr("'temperatures'"));
  EXPECT_THAT(rejection({"fans", "sensors"}), HasSubstr("one command"));
  EXPECT_THAT(rejection({"fans", "--verbose"}), HasSubstr("'--verbose'"));
  EXPECT_THAT(rejection({"fans", "--timeout"}), HasSubstr("--timeout"));
  for (const char* bad : {"0", "-1", "abc", "1s", "", "nan", "inf", "100000"}) {
    EXPECT_THAT(rejection({"fans", "--timeout", bad}), HasSubstr("--timeout")) << bad;
  }
  EXPECT_THAT(rejection({"terminate", "--json"}), HasSubstr("--json"));
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

  const std::vector<Category> all_ = {Category::sensors, Category::fans, Category::traffic,
                                      Category::batteries};
};

TEST_F(ReportTest, EmptyOrMissingCategoriesSayNoneReported) {
  Answers answers;
  answers.fans = std::vector<Fan>{};
  answers.singleBatteryDevices = SingleBatteryDevices{};
  std::string text = humanReport(all_, answers);
  EXPECT_EQ(text,
            "Sensors\n  none reported\n\n"
            "Fans\n  none reported\n\n"
            "Traffic\n  none reported\n\n"
            "Single battery devices\n  none reported\n\n"
            "Double battery devices\n  none reported\n");
}

TEST_F(ReportTest, SensorValuesCarryUnitAndFractionDigitsInAlignedColumns) {
  Answers answers;
  answers.sensors = std::vector<Sensor>{
      Sensor("TC0P", "CPU proximity", 45.25),
      Sensor("VD0R", "DC in", 12.345678),
      Sensor("IC0R", "CPU current", 1.5),
      Sensor("PSTR", "System total", 20.0),
      Sensor("XYZW", "Something", 3.75),
      Sensor("TA0P", "Ambient", std::nullopt),
  };
  auto text = lines(humanReport({Category::sensors}, answers));
  ASSERT_EQ(text.size(), 8u);
  EXPECT_EQ(text[0], "Sensors");
  EXPECT_THAT(text[1], testing::StartsWith("  IDENTIFIER  DESCRIPTION"));
  EXPECT_THAT(text[2], testing::StartsWith("  TC0P        CPU proximity"));
  EXPECT_THAT(text[2], HasSubstr(" 45 °C"));
  EXPECT_THAT(text[3], HasSubstr("12.3457 V"));
  EXPECT_THAT(text[4], HasSubstr("1.50 A"));
  EXPECT_THAT(text[5], HasSubstr("20.00 W"));
  EXPECT_THAT(text[6], testing::EndsWith(" 4"));
  EXPECT_THAT(text[7], testing::EndsWith(" -"));
  for (std::size_t i = 2; i < text.size(); ++i) {
    EXPECT_EQ(characters(text[i]), characters(text[1])) << text[i];
  }
}

TEST_F(ReportTest, FansTrafficAndBatteriesFillTheirTables) {
  Answers answers;
  answers.fans = std::vector<Fan>{Fan("F0Ac", "Left", 2000, 1200, 6000, 2100)};
  answers.traffic = std::vector<ProcessTrafficInfo>{ProcessTrafficInfo(42, "curl", 1500, 2'000'000)};
  auto keyboard = std::make_shared<SingleBatteryDevice>(DeviceType::keyboard, "Keys");
  keyboard->setBatteryLevel(80);
  keyboard->setIsCharging(true);
  keyboard->setSerial("aa-bb");
  answers.singleBatteryDevices = SingleBatteryDevices{keyboard};
  answers.doubleBatteryDevices = DoubleBatteryDevices{std::make_shared<DoubleBatteryDevice>(
      "Buds", "cc-dd", "Apple Inc.", std::nullopt, 90, std::nullopt, "Headphones")};

  std::string text = humanReport({Category::fans, Category::traffic, Category::batteries}, answers);
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
  Answers answers;
  answers.sensors = std::vector<Sensor>{Sensor("TC0P", "CPU", 45.5), Sensor("TA0P", "Air", std::nullopt)};
  answers.fans = std::vector<Fan>{Fan("F0Ac", "Left", 2000, 1200, 6000, 2100)};
  answers.doubleBatteryDevices = DoubleBatteryDevices{std::make_shared<DoubleBatteryDevice>(
      "Buds", "cc-dd", "Apple Inc.", std::nullopt, 90, std::nullopt, "Headphones")};

  auto json = nlohmann::ordered_json::parse(jsonReport(all_, answers));
  std::vector<std::string> keys;
  for (auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"sensors", "fans", "traffic", "singleBatteryDevices",
                                            "doubleBatteryDevices"}));
  EXPECT_EQ(nlohmann::json(json["sensors"][0]), (nlohmann::json{{"Identifier", "TC0P"}, {"Description", "CPU"}, {"Value", 45.5}}));
  EXPECT_FALSE(json["sensors"][1].contains("Value"));
  EXPECT_EQ(nlohmann::json(json["fans"][0]), (nlohmann::json{{"identifier", "F0Ac"}, {"name", "Left"}, {"rpm", 2000},
                                            {"min", 1200}, {"max", 6000}, {"target", 2100}}));
  EXPECT_TRUE(json["traffic"].is_null());
  EXPECT_TRUE(json["singleBatteryDevices"].is_null());
  EXPECT_EQ(json["doubleBatteryDevices"][0]["firstLevel"], 90);
  EXPECT_TRUE(json["doubleBatteryDevices"][0]["secondLevel"].is_null());

  auto fansOnly = nlohmann::json::parse(jsonReport({Category::fans}, Answers{}));
  EXPECT_EQ(fansOnly, (nlohmann::json{{"fans", nullptr}}));
}

}  // namespace
}  // namespace tellwick::ctl
