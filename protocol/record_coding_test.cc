#include "protocol/record_coding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

namespace tellwick {
namespace {

using os::PlistArray;
using os::PlistDictionary;
using os::PlistNull;
using os::PlistValue;
using ::testing::ElementsAre;

std::vector<std::string> keysOf(const PlistValue& record) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : *record.get<PlistDictionary>()) keys.push_back(key);
  return keys;
}

PlistDictionary sensorRecord() { return {{"Identifier", "TC0P"}, {"Description", "CPU Proximity"}}; }

TEST(SensorCodingTest, WritesValueOnlyWhenPresent) {
  EXPECT_THAT(keysOf(encodeSensor(Sensor("TC0P", "CPU", std::nullopt))),
              ElementsAre("Identifier", "Description"));
  PlistValue withValue = encodeSensor(Sensor("TC0P", "CPU", 41.5));
  EXPECT_THAT(keysOf(withValue), ElementsAre("Identifier", "Description", "Value"));
  EXPECT_EQ(*os::findKey(*withValue.get<PlistDictionary>(), "Value"), PlistValue(41.5));
}

TEST(SensorCodingTest, ValueMissingOrNullIsAbsentAndWholeNumbersAreReadings) {
  auto with = [](PlistValue value) {
    PlistDictionary record = sensorRecord();
    record.emplace_back("Value", std::move(value));
    return decodeSensor(record);
  };
  auto missing = decodeSensor(sensorRecord());
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->identifier, "TC0P");
  EXPECT_EQ(missing->description, "CPU Proximity");
  EXPECT_EQ(missing->value, std::nullopt);
  EXPECT_EQ(with(PlistNull{})->value, std::nullopt);
  EXPECT_EQ(with(12.25)->value, 12.25);
  EXPECT_EQ(with(std::int64_t{-3})->value, -3.0);
  EXPECT_EQ(with(std::uint64_t{40})->value, 40.0);
  EXPECT_FALSE(with("41"));
  EXPECT_FALSE(with(true));
}

TEST(SensorCodingTest, RequiredKeysMustBeStringsAndUnknownKeysAreIgnored) {
  PlistDictionary extra = sensorRecord();
  extra.emplace_back("Unit", "°C");
  EXPECT_TRUE(decodeSensor(extra));
  EXPECT_FALSE(decodeSensor(PlistDictionary{{"Identifier", "TC0P"}}));
  EXPECT_FALSE(decodeSensor(PlistDictionary{{"Identifier", 7}, {"Description", "x"}}));
  EXPECT_FALSE(decodeSensor(PlistDictionary{{"identifier", "TC0P"}, {"description", "x"}}));
  EXPECT_FALSE(decodeSensor(PlistArray{}));
}

TEST(SensorCodingTest, OneBadElementFailsTheWholeList) {
  std::vector<Sensor> sensors{Sensor("TC0P", "CPU", 40.0), Sensor("PSTR", "Power", std::nullopt)};
  auto decoded = decodeSensors(encodeSensors(sensors));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 2u);
  EXPECT_EQ((*decoded)[1].identifier, "PSTR");
  EXPECT_EQ((*decoded)[1].value, std::nullopt);

  EXPECT_EQ(decodeSensors(PlistArray{})->size(), 0u);
  EXPECT_FALSE(decodeSensors(PlistArray{sensorRecord(), PlistDictionary{{"Description", "x"}}}));
  EXPECT_FALSE(decodeSensors(PlistArray{sensorRecord(), "TC0D"}));
  EXPECT_FALSE(decodeSensors(sensorRecord()));
}

TEST(FanCodingTest, RoundTripsEveryFieldAndKeepsAStoredEmptyName) {
  Fan fan("F0Ac", std::string("Left"), 1200, 1000, 6000, -1);
  PlistValue encoded = encodeFan(fan);
  EXPECT_THAT(keysOf(encoded), ElementsAre("identifier", "name", "rpm", "min", "max", "target"));
  auto decoded = decodeFan(encoded);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->identifier, "F0Ac");
  EXPECT_EQ(decoded->name, "Left");
  EXPECT_EQ(std::tie(decoded->rpm, decoded->min, decoded->max, decoded->target),
            std::tuple(1200, 1000, 6000, -1));

  PlistDictionary unnamed = *encoded.get<PlistDictionary>();
  unnamed[1].second = "";
  EXPECT_EQ(decodeFan(unnamed)->name, "");
}

TEST(FanCodingTest, SpeedsMustBeSignedSixtyFourBitIntegers) {
  auto withRpm = [](PlistValue rpm) {
    return decodeFan(PlistDictionary{{"identifier", "F0Ac"}, {"name", "Fan"}, {"rpm", rpm},
                                     {"min", 0}, {"max", 1}, {"target", 0}});
  };
  EXPECT_EQ(withRpm(std::uint64_t{1500})->rpm, 1500);
  EXPECT_FALSE(withRpm(std::uint64_t{1} << 63));
  EXPECT_FALSE(withRpm(1500.0));
  EXPECT_FALSE(decodeFan(PlistDictionary{{"identifier", "F0Ac"}, {"name", "Fan"}, {"rpm", 1}}));
}

TEST(TrafficCodingTest, CountersKeepTheFullUnsignedRange) {
  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  ProcessTrafficInfo info(4242, "curl", kMax, 0);
  PlistValue encoded = encodeProcessTrafficInfo(info);
  EXPECT_THAT(keysOf(encoded), ElementsAre("pid", "name", "sent", "received"));
  auto decoded = decodeTraffic(PlistArray{encoded});
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 1u);
  EXPECT_EQ((*decoded)[0].pid(), 4242u);
  EXPECT_EQ((*decoded)[0].name(), "curl");
  EXPECT_EQ((*decoded)[0].sent(), kMax);
  EXPECT_EQ((*decoded)[0].received(), 0u);

  auto withSent = [](PlistValue sent) {
    return decodeProcessTrafficInfo(
        PlistDictionary{{"pid", 1}, {"name", "x"}, {"sent", sent}, {"received", 2}});
  };
  EXPECT_EQ(withSent(std::int64_t{9})->sent(), 9u);
  EXPECT_FALSE(withSent(std::int64_t{-9}));
  EXPECT_FALSE(withSent(PlistNull{}));
}

TEST(BatteryListCodingTest, DoubleDevicesCarryAbsentLevelsAsNullAndOneBadRecordFailsTheList) {
  auto buds = std::make_shared<DoubleBatteryDevice>("Buds", "AA:BB", "Apple Inc.", std::nullopt,
                                                    std::nullopt, 80, "Headphones");
  PlistValue list = encodeDoubleBatteryDevices({buds});
  const auto& record = *list.get<PlistArray>()->front().get<PlistDictionary>();
  EXPECT_EQ(*os::findKey(record, "firstLevel"), PlistValue(PlistNull{}));
  EXPECT_EQ(os::findKey(record, "vendorId"), nullptr);
  auto decoded = decodeDoubleBatteryDevices(list);
  ASSERT_TRUE(decoded);
  EXPECT_EQ((*decoded)[0]->firstLevel(), std::nullopt);
  EXPECT_EQ((*decoded)[0]->secondLevel(), 80);

  PlistArray broken = *list.get<PlistArray>();
  broken.push_back(PlistDictionary{{"isCharging", false}, {"type", "keyboard"}, {"name", "x"},
                                   {"serial", "1"}});
  EXPECT_FALSE(decodeDoubleBatteryDevices(broken));
  EXPECT_FALSE(decodeSingleBatteryDevices(broken));
  EXPECT_FALSE(decodeSingleBatteryDevices(PlistDictionary{}));
}

}  // namespace
}  // namespace tellwick
