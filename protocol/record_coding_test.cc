#include "protocol/record_coding.h"

#include <gtest/gtest.h>

#include <limits>

namespace tellwick {
namespace {

using os::PlistArray;
using os::PlistDictionary;
using os::PlistNull;
using os::PlistValue;

PlistDictionary sensorRecord() { return {{"Identifier", "TC0P"}, {"Description", "CPU Proximity"}}; }
PlistDictionary fanRecord() {
  return {{"identifier", "F0Ac"}, {"name", "Left"}, {"rpm", 1200}, {"min", 1000}, {"max", 6000}, {"target", -1}};
}
PlistDictionary trafficRecord() {
  return {{"pid", std::uint64_t{4242}}, {"name", "curl"},
          {"sent", std::numeric_limits<std::uint64_t>::max()}, {"received", std::uint64_t{0}}};
}

// record with key set to value, or without key when value is absent.
PlistDictionary with(PlistDictionary record, std::string_view key, std::optional<PlistValue> value) {
  std::erase_if(record, [&](const auto& entry) { return entry.first == key; });
  if (value) record.emplace_back(std::string(key), *value);
  return record;
}

TEST(SensorCodingTest, ValueIsWrittenOnlyWhenPresentAndReadAsNullOrAnyNumber) {
  EXPECT_EQ(encodeSensor(Sensor("TC0P", "CPU Proximity", std::nullopt)), PlistValue(sensorRecord()));
  EXPECT_EQ(encodeSensor(Sensor("TC0P", "CPU Proximity", 41.5)),
            PlistValue(with(sensorRecord(), "Value", 41.5)));
  const std::pair<std::optional<PlistValue>, std::optional<double>> readings[] = {
      {std::nullopt, std::nullopt}, {PlistNull{}, std::nullopt}, {12.25, 12.25},
      {std::int64_t{-3}, -3.0}, {std::uint64_t{40}, 40.0},
  };
  for (const auto& [stored, value] : readings) {
    EXPECT_EQ(decodeSensor(with(sensorRecord(), "Value", stored)).value().value, value);
  }
  EXPECT_FALSE(decodeSensor(with(sensorRecord(), "Value", "41")));
}

// Every record type: missing or mistyped required keys fail, unknown keys are ignored.
TEST(RecordCodingTest, RequiredKeysMustBePresentAndOfTheirKind) {
  struct Case {
    PlistDictionary record;
    const char* key;
    std::optional<PlistValue> value;  // absent: the key is left out
  };
  const Case cases[] = {
      {sensorRecord(), "Identifier", std::nullopt}, {sensorRecord(), "Description", std::nullopt},
      {sensorRecord(), "Identifier", 7},
      {fanRecord(), "identifier", std::nullopt},    {fanRecord(), "target", std::nullopt},
      {fanRecord(), "rpm", std::uint64_t{1} << 63}, {fanRecord(), "rpm", 1500.0},
      {trafficRecord(), "pid", std::nullopt},       {trafficRecord(), "received", std::nullopt},
      {trafficRecord(), "sent", std::int64_t{-9}},  {trafficRecord(), "sent", PlistNull{}},
  };
  for (const Case& c : cases) {
    const PlistDictionary record = with(c.record, c.key, c.value);
    EXPECT_FALSE(decodeSensor(record) || decodeFan(record) || decodeProcessTrafficInfo(record)) << c.key;
  }
  EXPECT_TRUE(decodeSensor(with(sensorRecord(), "Unit", "°C")));
  EXPECT_EQ(decodeFan(with(fanRecord(), "rpm", std::uint64_t{1500}))->rpm, 1500);
  EXPECT_EQ(decodeProcessTrafficInfo(with(trafficRecord(), "sent", 9))->sent(), 9u);
  for (const PlistValue& notARecord : {PlistValue(PlistArray{}), PlistValue("TC0P")}) {
    EXPECT_FALSE(decodeSensor(notARecord) || decodeFan(notARecord) || decodeProcessTrafficInfo(notARecord));
  }
}

TEST(RecordCodingTest, FansAndTrafficRoundTripEveryFieldInOrder) {
  EXPECT_EQ(encodeFan(Fan("F0Ac", std::string("Left"), 1200, 1000, 6000, -1)), PlistValue(fanRecord()));
  EXPECT_EQ(decodeFan(fanRecord())->target, -1);
  // A stored empty name is kept, not replaced by the default.
  EXPECT_EQ(decodeFan(with(fanRecord(), "name", ""))->name, "");

  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(encodeTraffic({ProcessTrafficInfo(4242, "curl", kMax, 0)}),
            PlistValue(PlistArray{trafficRecord()}));
}

TEST(RecordCodingTest, OneBadElementFailsTheWholeList) {
  EXPECT_EQ(decodeSensors(PlistArray{})->size(), 0u);
  EXPECT_FALSE(decodeSensors(PlistArray{sensorRecord(), "TC0D"}));
  EXPECT_EQ(decodeFans(PlistArray{fanRecord(), fanRecord()})->size(), 2u);
  EXPECT_FALSE(decodeFans(PlistArray{fanRecord(), sensorRecord()}));
  EXPECT_FALSE(decodeTraffic(PlistArray{trafficRecord(), fanRecord()}));

  auto buds = std::make_shared<DoubleBatteryDevice>("Buds", "AA:BB", "Apple Inc.", std::nullopt,
                                                    std::nullopt, 80, "Headphones");
  PlistValue list = encodeDoubleBatteryDevices({buds, nullptr});
  ASSERT_EQ(list.get<PlistArray>()->size(), 1u);
  EXPECT_EQ(decodeDoubleBatteryDevices(list).value()[0]->encode(), buds->encode());

  PlistArray broken = *list.get<PlistArray>();
  broken.push_back(PlistDictionary{{"isCharging", false}, {"type", "keyboard"}, {"name", "x"},
                                   {"serial", "1"}});
  EXPECT_FALSE(decodeDoubleBatteryDevices(broken));
  EXPECT_FALSE(decodeSingleBatteryDevices(broken));
}

}  // namespace
}  // namespace tellwick
