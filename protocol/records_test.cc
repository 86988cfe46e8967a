#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "protocol/fan.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"
#include "protocol/sensor_type.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

Sensor sensorNamed(const std::string& identifier) { return Sensor(identifier, "", std::nullopt); }

TEST(SensorTest, ClassificationTakesTheFirstMatchingRule) {
  struct Case {
    const char* identifier;
    SensorType type;
  };
  const Case cases[] = {
      {"TC0P", SensorType::thermal},        {"appleThermalA", SensorType::thermal},
      {"IC0R", SensorType::current},        {"appleCurrentB", SensorType::current},
      {"VD0R", SensorType::voltage},        {"appleVoltage1", SensorType::voltage},
      {"PSTR", SensorType::power},          {"tc0p", SensorType::unknown},
      {"F0Ac", SensorType::unknown},        {"", SensorType::unknown},
      {"TVoltage", SensorType::thermal},    {"ICurrentVoltage", SensorType::current},
      {"xCurrentVoltage", SensorType::current}, {"PThermal", SensorType::thermal},
      {"applePower", SensorType::unknown},  {"thermal", SensorType::unknown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sensorNamed(c.identifier).type(), c.type) << '"' << c.identifier << '"';
  }
}

TEST(SensorTest, PresentationFollowsTheType) {
  EXPECT_EQ(sensorNamed("VC0C").fractionDigits(), 4);
  EXPECT_EQ(sensorNamed("IC0R").fractionDigits(), 2);
  EXPECT_EQ(sensorNamed("PSTR").fractionDigits(), 2);
  EXPECT_EQ(sensorNamed("TC0P").fractionDigits(), 0);
  EXPECT_EQ(sensorNamed("F0Ac").fractionDigits(), 0);

  EXPECT_EQ(sensorNamed("TC0P").symbolImage(), SymbolImage{"thermometer"});
  EXPECT_EQ(sensorNamed("VC0C").symbolImage(), SymbolImage{"bolt.fill"});
  EXPECT_EQ(sensorNamed("IC0R").symbolImage(), SymbolImage{"bolt.fill"});
  EXPECT_EQ(sensorNamed("PSTR").symbolImage(), SymbolImage{"staroflife.fill"});
  EXPECT_EQ(sensorNamed("x").symbolImage(), SymbolImage{"questionmark"});
}

TEST(SensorTypeTest, RawValuesCoverExactlySixCasesInDeclaredOrder) {
  for (std::uint8_t raw = 0; raw < kAllSensorTypes.size(); ++raw) {
    EXPECT_EQ(sensorTypeFromRawValue(raw), kAllSensorTypes[raw]);
    EXPECT_EQ(rawValue(kAllSensorTypes[raw]), raw);
  }
  EXPECT_EQ(sensorTypeFromRawValue(5), SensorType::fan);
  EXPECT_EQ(sensorTypeFromRawValue(6), std::nullopt);
  EXPECT_EQ(sensorTypeFromRawValue(255), std::nullopt);
}

TEST(SensorTypeTest, LocalizedNamesComeFromTheProtocolTableOrFallBackToTheKey) {
  testing::FakeResourceBundle bundle;
  bundle.setString("protocol", "THERMAL", "Température");
  bundle.setString("battery", "FAN", "wrong table");
  EXPECT_EQ(localizedName(SensorType::thermal, bundle), "Température");
  EXPECT_EQ(localizedName(SensorType::fan, bundle), "FAN");
  EXPECT_EQ(localizedName(SensorType::unknown, bundle), "UNKNOWN");

  // The shipped table translates every type.
  const char* keys[] = {"UNKNOWN", "THERMAL", "VOLTAGE", "CURRENT", "POWER", "FAN"};
  for (auto type : kAllSensorTypes) {
    auto name = localizedName(type, os::installedBundle());
    EXPECT_FALSE(name.empty());
    EXPECT_NE(name, keys[rawValue(type)]);
  }
}

float relative(std::int64_t rpm, std::int64_t min, std::int64_t max) {
  return Fan("F0Ac", std::string("f"), rpm, min, max, 0).relativeSpeed();
}

TEST(FanTest, RelativeSpeedIsClampedToTheUnitInterval) {
  EXPECT_FLOAT_EQ(relative(1500, 1000, 2000), 0.5f);
  EXPECT_FLOAT_EQ(relative(900, 1000, 2000), 0.0f);
  EXPECT_FLOAT_EQ(relative(2500, 1000, 2000), 1.0f);
  EXPECT_FLOAT_EQ(relative(1000, 1000, 2000), 0.0f);
  EXPECT_FLOAT_EQ(relative(2000, 1000, 2000), 1.0f);
}

TEST(FanTest, RelativeSpeedWithEqualBoundsIsThatOfADivisionByZero) {
  EXPECT_FLOAT_EQ(relative(1200, 1000, 1000), 1.0f);
  EXPECT_FLOAT_EQ(relative(800, 1000, 1000), 0.0f);
  EXPECT_TRUE(std::isnan(relative(1000, 1000, 1000)));
}

TEST(FanTest, RelativeSpeedSurvivesExtremeStoredValues) {
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_FLOAT_EQ(relative(kMax, kMin, kMax), 1.0f);
  EXPECT_FLOAT_EQ(relative(kMin, kMin, kMax), 0.0f);
  EXPECT_FLOAT_EQ(relative(0, kMin, kMax), 0.5f);
  EXPECT_FLOAT_EQ(relative(kMax, kMax, kMin), 0.0f);
}

TEST(ProcessTrafficInfoTest, TotalAddsBothDirectionsAndSaturates) {
  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(ProcessTrafficInfo(1, "a", 40, 2).total(), 42u);
  EXPECT_EQ(ProcessTrafficInfo(1, "a", kMax - 1, 1).total(), kMax);
  EXPECT_EQ(ProcessTrafficInfo(1, "a", kMax, kMax).total(), kMax);
}

}  // namespace
}  // namespace tellwick
