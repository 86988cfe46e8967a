#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "protocol/fan.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"
#include "protocol/sensor_type.h"

namespace tellwick {
namespace {

using ST = SensorType;

// The first matching rule decides the type; presentation follows the type.
TEST(SensorTest, ClassificationAndPresentation) {
  struct Case {
    const char* identifier;
    SensorType type;
    int digits;
    const char* image;
  };
  const Case cases[] = {
      {"TC0P", ST::thermal, 0, "thermometer"}, {"appleThermalA", ST::thermal, 0, "thermometer"},
      {"IC0R", ST::current, 2, "bolt.fill"}, {"appleCurrentB", ST::current, 2, "bolt.fill"},
      {"VD0R", ST::voltage, 4, "bolt.fill"}, {"appleVoltage1", ST::voltage, 4, "bolt.fill"},
      {"PSTR", ST::power, 2, "staroflife.fill"}, {"tc0p", ST::unknown, 0, "questionmark"},
      {"", ST::unknown, 0, "questionmark"}, {"TVoltage", ST::thermal, 0, "thermometer"},
      {"xCurrentVoltage", ST::current, 2, "bolt.fill"}, {"applePower", ST::unknown, 0, "questionmark"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << '"' << c.identifier << '"');
    const Sensor sensor(c.identifier, "", std::nullopt);
    EXPECT_EQ(sensor.type(), c.type);
    EXPECT_EQ(sensor.fractionDigits(), c.digits);
    EXPECT_EQ(sensor.symbolImage(), SymbolImage{c.image});
  }
}

// Clamped to [0, 1]; equal bounds give what a division by zero gives.
TEST(FanTest, RelativeSpeedIsClampedToTheUnitInterval) {
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  const struct {
    std::int64_t rpm, min, max;
    float relative;
  } cases[] = {
      {1500, 1000, 2000, 0.5f}, {900, 1000, 2000, 0.0f}, {2500, 1000, 2000, 1.0f},
      {1200, 1000, 1000, 1.0f}, {800, 1000, 1000, 0.0f}, {kMax, kMin, kMax, 1.0f},
      {0, kMin, kMax, 0.5f},    {kMax, kMax, kMin, 0.0f},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(Fan("F0Ac", std::string("f"), c.rpm, c.min, c.max, 0).relativeSpeed(),
                    c.relative) << c.rpm << " in " << c.min << "..." << c.max;
  }
  EXPECT_TRUE(std::isnan(Fan("F0Ac", std::string("f"), 1000, 1000, 1000, 0).relativeSpeed()));
}

TEST(ProcessTrafficInfoTest, TotalAddsBothDirectionsAndSaturates) {
  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(ProcessTrafficInfo(1, "a", 40, 2).total(), 42u);
  EXPECT_EQ(ProcessTrafficInfo(1, "a", kMax, 1).total(), kMax);
}

}  // namespace
}  // namespace tellwick
