#include "battery/battery_device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <unordered_set>

namespace tellwick {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> keysOf(const os::PlistDictionary& record) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : record) keys.push_back(key);
  return keys;
}

os::PlistDictionary minimalRecord() {
  return {{"isCharging", false}, {"type", "Mouse"}, {"name", "M"}, {"serial", "AA-BB"}};
}

os::PlistDictionary with(os::PlistDictionary record, const std::string& key, os::PlistValue value) {
  for (auto& [k, v] : record) {
    if (k == key) {
      v = std::move(value);
      return record;
    }
  }
  record.emplace_back(key, std::move(value));
  return record;
}

os::PlistDictionary without(os::PlistDictionary record, const std::string& key) {
  std::erase_if(record, [&](const auto& entry) { return entry.first == key; });
  return record;
}

TEST(BatteryDeviceCodingTest, ADeviceWithNothingOptionalEncodesExactlyFourKeys) {
  SingleBatteryDevice device(DeviceType::keyboard, "Keys");
  auto record = device.encode();
  EXPECT_THAT(keysOf(record), ElementsAre("isCharging", "type", "name", "serial"));
  EXPECT_EQ(*findKey(record, "isCharging"), os::PlistValue(false));
  EXPECT_EQ(*findKey(record, "type"), os::PlistValue("Keyboard"));
  EXPECT_EQ(*findKey(record, "serial"), os::PlistValue(device.serial()));
}

TEST(BatteryDeviceCodingTest, EveryFieldRoundTripsInTheFixedKeyOrder) {
  SingleBatteryDevice device("Trackpad", "AA:BB", 0x004C, "Apple Inc.", -7, 64, "Trackpad");
  device.setIsCharging(true);
  device.setInternalName("Model1,2");
  auto record = device.encode();
  EXPECT_THAT(keysOf(record), ElementsAre("isCharging", "type", "batteryLevel", "name", "productId",
                                          "serial", "manufacturer", "vendorId"));

  auto decoded = SingleBatteryDevice::decode(record);
  ASSERT_NE(decoded, nullptr);
  EXPECT_TRUE(decoded->isCharging());
  EXPECT_EQ(decoded->type(), DeviceType::trackpad);
  EXPECT_EQ(decoded->batteryLevel(), 64);
  EXPECT_EQ(decoded->name(), "Trackpad");
  EXPECT_EQ(decoded->productId(), -7);
  EXPECT_EQ(decoded->serial(), "AA:BB");
  EXPECT_EQ(decoded->manufacturer(), "Apple Inc.");
  EXPECT_EQ(decoded->vendorId(), 0x004C);
  // The picture hint and the identity token never travel.
  EXPECT_EQ(decoded->internalName(), std::nullopt);
  EXPECT_NE(&decoded->id(), &device.id());
  EXPECT_EQ(decoded->encode(), record);
}

TEST(BatteryDeviceCodingTest, DoubleLevelsAreAlwaysWrittenWithTheNullMarkerWhenAbsent) {
  DoubleBatteryDevice buds("Buds", "11:22", "Apple Inc.", std::nullopt, std::nullopt, std::nullopt,
                           std::nullopt);
  auto record = buds.encode();
  EXPECT_THAT(keysOf(record), ElementsAre("isCharging", "type", "name", "serial", "manufacturer",
                                          "firstLevel", "secondLevel"));
  EXPECT_EQ(*findKey(record, "firstLevel"), os::PlistValue(os::PlistNull{}));
  EXPECT_EQ(*findKey(record, "secondLevel"), os::PlistValue(os::PlistNull{}));

  auto decoded = DoubleBatteryDevice::decode(record);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->firstLevel(), std::nullopt);
  EXPECT_EQ(decoded->secondLevel(), std::nullopt);
  EXPECT_EQ(decoded->type(), DeviceType::headphones);

  buds.setFirstLevel(90);
  buds.setSecondLevel(0);
  decoded = DoubleBatteryDevice::decode(buds.encode());
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->firstLevel(), 90);
  EXPECT_EQ(decoded->secondLevel(), 0);
  // Missing level keys read as absent too, so a single record decodes as double.
  decoded = DoubleBatteryDevice::decode(minimalRecord());
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->firstLevel(), std::nullopt);
}

TEST(BatteryDeviceCodingTest, TypeStringsMatchExactly) {
  EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), "type", "keyboard")), nullptr);
  EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), "type", "Keyboard ")), nullptr);
  EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), "type", "Keyboard"))->type(),
            DeviceType::keyboard);
  EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), "type", "Low Energy"))->type(),
            DeviceType::lowEnergy);
  for (DeviceType type : {DeviceType::undefined, DeviceType::keyboard, DeviceType::mouse,
                          DeviceType::trackpad, DeviceType::headphones, DeviceType::headset,
                          DeviceType::lowEnergy, DeviceType::chargingCase}) {
    EXPECT_EQ(deviceTypeFromRawValue(rawValue(type)), type) << rawValue(type);
  }
  EXPECT_EQ(rawValue(DeviceType::chargingCase), "CHARGING_CASE");
  EXPECT_EQ(deviceTypeFromRawValue("Charging Case"), std::nullopt);
}

TEST(BatteryDeviceCodingTest, RequiredKeysMustBePresentAndOfTheirKind) {
  for (const char* key : {"isCharging", "type", "name", "serial"}) {
    EXPECT_EQ(SingleBatteryDevice::decode(without(minimalRecord(), key)), nullptr) << key;
    EXPECT_EQ(DoubleBatteryDevice::decode(without(minimalRecord(), key)), nullptr) << key;
    EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), key, os::PlistNull{})), nullptr)
        << key;
  }
  EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), "isCharging", 1)), nullptr);
  EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), "name", 5)), nullptr);
  EXPECT_EQ(SingleBatteryDevice::decode(with(minimalRecord(), "serial", os::PlistData{})),
            nullptr);
  EXPECT_EQ(SingleBatteryDevice::decode(os::PlistArray{os::PlistValue(minimalRecord())}), nullptr);
  EXPECT_EQ(SingleBatteryDevice::decode("Mouse"), nullptr);
}

TEST(BatteryDeviceCodingTest, OptionalKeysAcceptNullAndEitherIntegerSignedness) {
  auto record = minimalRecord();
  for (const char* key :
       {"batteryLevel", "productId", "manufacturer", "vendorId", "firstLevel", "secondLevel"}) {
    record = with(record, key, os::PlistNull{});
  }
  record.emplace_back("unknownKey", "ignored");
  auto decoded = DoubleBatteryDevice::decode(record);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->batteryLevel(), std::nullopt);
  EXPECT_EQ(decoded->productId(), std::nullopt);
  EXPECT_EQ(decoded->manufacturer(), std::nullopt);
  EXPECT_EQ(decoded->vendorId(), std::nullopt);

  auto device = SingleBatteryDevice::decode(with(with(with(minimalRecord(), "batteryLevel",
                                                           std::int64_t{255}),
                                                      "vendorId", std::uint64_t{65535}),
                                                 "productId", std::uint64_t{12}));
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->batteryLevel(), 255);
  EXPECT_EQ(device->vendorId(), 65535);
  EXPECT_EQ(device->productId(), 12);
}

TEST(BatteryDeviceCodingTest, OptionalValuesOutOfRangeOrOfTheWrongKindFailTheRecord) {
  const std::pair<const char*, os::PlistValue> bad[] = {
      {"batteryLevel", std::int64_t{256}},
      {"batteryLevel", std::int64_t{-1}},
      {"batteryLevel", 50.0},
      {"batteryLevel", "50"},
      {"vendorId", std::uint64_t{65536}},
      {"vendorId", std::int64_t{-1}},
      {"productId", std::uint64_t{std::numeric_limits<std::uint64_t>::max()}},
      {"productId", true},
      {"manufacturer", 76},
      {"firstLevel", std::uint64_t{300}},
      {"secondLevel", "full"},
  };
  for (const auto& [key, value] : bad) {
    EXPECT_EQ(DoubleBatteryDevice::decode(with(minimalRecord(), key, value)), nullptr) << key;
  }
  EXPECT_NE(SingleBatteryDevice::decode(
                with(minimalRecord(), "productId", std::numeric_limits<std::int64_t>::min())),
            nullptr);
}

std::optional<std::uint8_t> levelOf(double number) {
  return SingleBatteryDevice(DeviceType::mouse, "m", number).batteryLevel();
}

TEST(BatteryLevelRuleTest, FractionsScaleAndPercentagesPassThrough) {
  EXPECT_EQ(levelOf(1), 100);
  EXPECT_EQ(levelOf(0.5), 50);
  EXPECT_EQ(levelOf(0.555), 55);
  EXPECT_EQ(levelOf(0.29), 29);  // single precision: double arithmetic would give 28
  EXPECT_EQ(levelOf(0.001), 0);
  EXPECT_EQ(levelOf(42), 42);
  EXPECT_EQ(levelOf(1.5), 1);
  EXPECT_EQ(levelOf(100), 100);
  EXPECT_EQ(levelOf(100.9), 100);
}

TEST(BatteryLevelRuleTest, NumbersOutsideBothRangesLeaveTheLevelAbsent) {
  for (double number : {0.0, -0.5, -42.0, 101.0, 255.0, 1e300, -1e300,
                        std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(levelOf(number), std::nullopt) << number;
  }
}

TEST(BatteryDeviceIdentityTest, SerialsCompareAndHashIgnoringCase) {
  SingleBatteryDevice upper(DeviceType::mouse, "a");
  DoubleBatteryDevice lower("b", "aa:bb", "M", 2, 3, 4, "Headset");
  upper.setSerial("AA:BB");
  EXPECT_EQ(upper, lower);
  EXPECT_EQ(upper.hashValue(), lower.hashValue());
  EXPECT_EQ(std::hash<BatteryDevice>{}(upper), std::hash<BatteryDevice>{}(lower));

  lower.setSerial("AA:BC");
  EXPECT_FALSE(upper == lower);
}

TEST(BatteryDeviceIdentityTest, EachNewDeviceHasItsOwnCanonicalUpperCaseSerialAndToken) {
  const std::regex canonical("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::unordered_set<std::string> serials;
  std::unordered_set<const UUID*> tokens;
  std::vector<SingleBatteryDevice> devices;
  devices.reserve(200);
  for (int i = 0; i < 200; ++i) {
    devices.emplace_back(DeviceType::undefined, "");
    EXPECT_TRUE(std::regex_match(devices.back().serial(), canonical)) << devices.back().serial();
    serials.insert(devices.back().serial());
    tokens.insert(&devices.back().id());
  }
  EXPECT_EQ(serials.size(), 200u);
  EXPECT_EQ(tokens.size(), 200u);
}

TEST(BatteryDeviceConstructionTest, ProfilerConstructorsDeriveType) {
  SingleBatteryDevice mouse("Mouse", "AA", 0x046D, "Logitech Inc.", std::nullopt, 80, "Mouse");
  EXPECT_EQ(mouse.manufacturer(), "Logitech Inc.");
  EXPECT_EQ(mouse.type(), DeviceType::mouse);
  EXPECT_EQ(mouse.vendorId(), 0x046D);
  EXPECT_EQ(mouse.batteryLevel(), 80);

  SingleBatteryDevice odd("Thing", "BB", 0x1234, "?", 5, 10, "Gamepad");
  EXPECT_EQ(odd.type(), DeviceType::undefined);
  EXPECT_EQ(SingleBatteryDevice("T", "CC", 1, "?", 5, 10, std::nullopt).type(),
            DeviceType::undefined);

  DoubleBatteryDevice buds("Buds", "DD", "Apple Inc.", 0x2002, 40, std::nullopt, std::nullopt);
  EXPECT_EQ(buds.type(), DeviceType::headphones);
  EXPECT_EQ(buds.manufacturer(), "Apple Inc.");
  EXPECT_EQ(buds.vendorId(), std::nullopt);
  EXPECT_EQ(findKey(buds.encode(), "vendorId"), nullptr);
  EXPECT_EQ(DoubleBatteryDevice("H", "EE", "?", 1, 1, 1, "Headset").type(), DeviceType::headset);
}

}  // namespace
}  // namespace tellwick
