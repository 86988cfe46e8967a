#include "battery/battery_device.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace tellwick {
namespace {

using os::PlistDictionary;
using os::PlistNull;
using os::PlistValue;
using U = std::uint64_t;

PlistDictionary minimalRecord() {
  return {{"isCharging", false}, {"type", "Mouse"}, {"name", "M"}, {"serial", "AA-BB"}};
}

// The minimal record with key set to value, or without key when value is absent.
PlistDictionary with(const std::string& key, std::optional<PlistValue> value) {
  PlistDictionary record = minimalRecord();
  std::erase_if(record, [&](const auto& entry) { return entry.first == key; });
  if (value) record.emplace_back(key, *value);
  return record;
}

TEST(BatteryDeviceCodingTest, EncodesTheFixedKeyOrderAndDecodesBackWithoutLocalState) {
  SingleBatteryDevice bare(DeviceType::keyboard, "Keys");
  EXPECT_EQ(bare.encode(), (PlistDictionary{{"isCharging", false}, {"type", "Keyboard"},
                                            {"name", "Keys"}, {"serial", bare.serial()}}));

  SingleBatteryDevice device("Trackpad", "AA:BB", 0x004C, "Apple Inc.", -7, 64, "Trackpad");
  device.setIsCharging(true);
  device.setInternalName("Model1,2");
  const PlistDictionary full = {{"isCharging", true},     {"type", "Trackpad"},
                                {"batteryLevel", U{64}},  {"name", "Trackpad"},
                                {"productId", -7},        {"serial", "AA:BB"},
                                {"manufacturer", "Apple Inc."}, {"vendorId", U{0x4C}}};
  EXPECT_EQ(device.encode(), full);
  auto decoded = SingleBatteryDevice::decode(full);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->encode(), full);
  EXPECT_EQ(decoded->type(), DeviceType::trackpad);
  // The picture hint and the identity token never travel.
  EXPECT_EQ(decoded->internalName(), std::nullopt);
  EXPECT_NE(&decoded->id(), &device.id());
}

TEST(BatteryDeviceCodingTest, DoubleLevelsTravelAsNullWhenAbsent) {
  DoubleBatteryDevice buds("Buds", "11:22", "Apple Inc.", std::nullopt, std::nullopt, 0,
                           std::nullopt);
  const PlistDictionary expected = {{"isCharging", false}, {"type", "Headphones"},
                                    {"name", "Buds"},      {"serial", "11:22"},
                                    {"manufacturer", "Apple Inc."}, {"firstLevel", PlistNull{}},
                                    {"secondLevel", U{0}}};
  EXPECT_EQ(buds.encode(), expected);
  auto decoded = DoubleBatteryDevice::decode(expected);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->encode(), expected);
  buds.setFirstLevel(90);
  EXPECT_EQ(DoubleBatteryDevice::decode(buds.encode())->firstLevel(), 90);
  // Missing level keys read as absent too, so a single record decodes as double.
  decoded = DoubleBatteryDevice::decode(minimalRecord());
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->firstLevel(), std::nullopt);
  EXPECT_EQ(decoded->secondLevel(), std::nullopt);
}

TEST(BatteryDeviceCodingTest, OptionalKeysAcceptNullEitherSignednessAndUnknownKeys) {
  PlistDictionary nulls = minimalRecord();
  for (const char* key : {"batteryLevel", "productId", "manufacturer", "vendorId"}) {
    nulls.emplace_back(key, PlistNull{});
  }
  nulls.emplace_back("unknownKey", "ignored");
  auto decoded = SingleBatteryDevice::decode(nulls);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->encode(), minimalRecord());

  PlistDictionary extremes = minimalRecord();
  extremes.emplace_back("batteryLevel", std::int64_t{255});
  extremes.emplace_back("vendorId", U{65535});
  extremes.emplace_back("productId", std::numeric_limits<std::int64_t>::min());
  decoded = SingleBatteryDevice::decode(extremes);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->batteryLevel(), 255);
  EXPECT_EQ(decoded->vendorId(), 65535);
  EXPECT_EQ(decoded->productId(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(SingleBatteryDevice::decode(with("productId", U{12}))->productId(), 12);
  EXPECT_EQ(SingleBatteryDevice::decode(with("type", "Low Energy"))->type(), DeviceType::lowEnergy);
}

TEST(BatteryDeviceCodingTest, AnyMissingWrongKindOrOutOfRangeValueFailsTheRecord) {
  struct Case {
    const char* key;
    std::optional<PlistValue> value;  // absent: the key is left out
  };
  const Case cases[] = {
      {"isCharging", std::nullopt},  {"type", std::nullopt},
      {"name", std::nullopt},        {"serial", std::nullopt},
      {"isCharging", PlistNull{}},   {"type", PlistNull{}},
      {"name", PlistNull{}},         {"serial", PlistNull{}},
      {"isCharging", 1},             {"name", 5},
      {"serial", os::PlistData{}},   {"type", "keyboard"},
      {"type", "Keyboard "},         {"type", "Charging Case"},
      {"batteryLevel", 256},         {"batteryLevel", -1},
      {"batteryLevel", 50.0},        {"batteryLevel", "50"},
      {"vendorId", U{65536}},        {"vendorId", -1},
      {"productId", std::numeric_limits<U>::max()}, {"productId", true},
      {"manufacturer", 76},          {"firstLevel", U{300}}, {"secondLevel", "full"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "row " << (&c - cases) << ": " << c.key);
    const PlistDictionary record = with(c.key, c.value);
    const std::string_view key = c.key;
    EXPECT_EQ(DoubleBatteryDevice::decode(record), nullptr);
    if (key == "firstLevel" || key == "secondLevel") {
      EXPECT_NE(SingleBatteryDevice::decode(record), nullptr);
    } else {
      EXPECT_EQ(SingleBatteryDevice::decode(record), nullptr);
    }
  }
  EXPECT_EQ(SingleBatteryDevice::decode(os::PlistArray{PlistValue(minimalRecord())}), nullptr);
  EXPECT_EQ(DoubleBatteryDevice::decode("Mouse"), nullptr);
}

TEST(BatteryDeviceCodingTest, TypeRawValuesRoundTrip) {
  for (int i = 0; i <= static_cast<int>(DeviceType::chargingCase); ++i) {
    const auto type = static_cast<DeviceType>(i);
    EXPECT_EQ(deviceTypeFromRawValue(rawValue(type)), type) << rawValue(type);
  }
  EXPECT_EQ(rawValue(DeviceType::chargingCase), "CHARGING_CASE");
}

TEST(BatteryLevelRuleTest, FractionsScalePercentagesPassThroughAndTheRestIsAbsent) {
  const std::pair<double, std::optional<int>> cases[] = {
      {1, 100}, {0.5, 50}, {0.555, 55},
      {0.29, 29},  // single precision: double arithmetic would give 28
      {0.001, 0}, {42, 42}, {1.5, 1}, {100, 100}, {100.9, 100},
      {0.0, std::nullopt}, {-0.5, std::nullopt}, {-42.0, std::nullopt}, {101.0, std::nullopt},
      {255.0, std::nullopt}, {1e300, std::nullopt}, {-1e300, std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
      {std::numeric_limits<double>::infinity(), std::nullopt},
  };
  for (const auto& [number, level] : cases) {
    auto got = SingleBatteryDevice(DeviceType::mouse, "m", number).batteryLevel();
    EXPECT_EQ(got ? std::optional<int>(*got) : std::nullopt, level) << number;
  }
}

TEST(BatteryDeviceIdentityTest, SerialsCompareAndHashIgnoringCase) {
  SingleBatteryDevice upper(DeviceType::mouse, "a");
  DoubleBatteryDevice lower("b", "aa:bb", "M", 2, 3, 4, "Headset");
  upper.setSerial("AA:BB");
  EXPECT_EQ(upper, lower);
  EXPECT_EQ(std::hash<BatteryDevice>{}(upper), std::hash<BatteryDevice>{}(lower));
  lower.setSerial("AA:BC");
  EXPECT_FALSE(upper == lower);
}

TEST(BatteryDeviceIdentityTest, EachNewDeviceHasItsOwnCanonicalUpperCaseSerialAndToken) {
  // Upper-case version-4 form; std::regex would not build warning-free under the sanitizers.
  const auto canonical = [](const std::string& s) {
    if (s.size() != 36 || s[14] != '4' || std::string_view("89AB").find(s[19]) == s.npos) {
      return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
      const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
      const auto c = static_cast<unsigned char>(s[i]);
      if (dash != (c == '-') || (!dash && !std::isxdigit(c)) || std::islower(c)) return false;
    }
    return true;
  };
  std::unordered_set<std::string> serials;
  std::unordered_set<const UUID*> tokens;
  std::vector<SingleBatteryDevice> devices;
  devices.reserve(200);
  for (int i = 0; i < 200; ++i) {
    devices.emplace_back(DeviceType::undefined, "");
    EXPECT_TRUE(canonical(devices.back().serial())) << devices.back().serial();
    serials.insert(devices.back().serial());
    tokens.insert(&devices.back().id());
  }
  EXPECT_EQ(serials.size(), 200u);
  EXPECT_EQ(tokens.size(), 200u);
}

TEST(BatteryDeviceConstructionTest, ProfilerConstructorsDeriveType) {
  SingleBatteryDevice mouse("Mouse", "AA", 0x046D, "Logitech Inc.", std::nullopt, 80, "Mouse");
  EXPECT_EQ(mouse.encode(), (PlistDictionary{{"isCharging", false}, {"type", "Mouse"},
                                             {"batteryLevel", U{80}}, {"name", "Mouse"},
                                             {"serial", "AA"}, {"manufacturer", "Logitech Inc."},
                                             {"vendorId", U{0x046D}}}));
  EXPECT_EQ(SingleBatteryDevice("Thing", "BB", 0x1234, "?", 5, 10, "Gamepad").type(),
            DeviceType::undefined);
  EXPECT_EQ(SingleBatteryDevice("T", "CC", 1, "?", 5, 10, std::nullopt).type(),
            DeviceType::undefined);

  DoubleBatteryDevice buds("Buds", "DD", "Apple Inc.", 0x2002, 40, std::nullopt, std::nullopt);
  EXPECT_EQ(buds.encode(), (PlistDictionary{{"isCharging", false}, {"type", "Headphones"},
                                            {"name", "Buds"}, {"productId", 0x2002},
                                            {"serial", "DD"}, {"manufacturer", "Apple Inc."},
                                            {"firstLevel", U{40}}, {"secondLevel", PlistNull{}}}));
  EXPECT_EQ(DoubleBatteryDevice("H", "EE", "?", 1, 1, 1, "Headset").type(), DeviceType::headset);
}

}  // namespace
}  // namespace tellwick
