#include "protocol/battery_device.h"

#include <gtest/gtest.h>

#include <limits>

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
  // The picture hint never travels.
  EXPECT_EQ(decoded->internalName(), std::nullopt);

  // A double device's absent level travels as null, its absent keys not at all.
  DoubleBatteryDevice buds("Buds", "11:22", "Apple Inc.", std::nullopt, std::nullopt, 0,
                           std::nullopt);
  EXPECT_EQ(buds.encode(), (PlistDictionary{{"isCharging", false}, {"type", "Headphones"},
                                            {"name", "Buds"}, {"serial", "11:22"},
                                            {"manufacturer", "Apple Inc."},
                                            {"firstLevel", PlistNull{}}, {"secondLevel", U{0}}}));
}

// The minimal record with one key changed: whether a single and a double
// device decode from it.
TEST(BatteryDeviceCodingTest, EveryKeyIsCheckedForPresenceKindAndRange) {
  struct Case {
    const char* key;
    std::optional<PlistValue> value;  // absent: the key is left out
    bool single, twin;
  };
  const Case cases[] = {
      {"isCharging", std::nullopt, false, false}, {"type", std::nullopt, false, false},
      {"name", std::nullopt, false, false},       {"serial", std::nullopt, false, false},
      {"isCharging", PlistNull{}, false, false},  {"serial", PlistNull{}, false, false},
      {"isCharging", 1, false, false},            {"name", 5, false, false},
      {"serial", os::PlistData{}, false, false},  {"type", "keyboard", false, false},
      {"type", "Charging Case", false, false},
      {"type", "Low Energy", true, true},         {"unknownKey", "ignored", true, true},
      {"batteryLevel", PlistNull{}, true, true},  {"batteryLevel", std::int64_t{255}, true, true},
      {"batteryLevel", 256, false, false},        {"batteryLevel", -1, false, false},
      {"batteryLevel", 50.0, false, false},       {"batteryLevel", "50", false, false},
      {"vendorId", PlistNull{}, true, true},      {"vendorId", U{65535}, true, true},
      {"vendorId", U{65536}, false, false},       {"vendorId", -1, false, false},
      {"productId", PlistNull{}, true, true},     {"productId", U{12}, true, true},
      {"productId", std::numeric_limits<std::int64_t>::min(), true, true},
      {"productId", std::numeric_limits<U>::max(), false, false},
      {"productId", true, false, false},          {"manufacturer", PlistNull{}, true, true},
      {"manufacturer", 76, false, false},         {"firstLevel", U{300}, true, false},
      {"secondLevel", "full", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "row " << (&c - cases) << ": " << c.key);
    EXPECT_EQ(SingleBatteryDevice::decode(with(c.key, c.value)) != nullptr, c.single);
    EXPECT_EQ(DoubleBatteryDevice::decode(with(c.key, c.value)) != nullptr, c.twin);
  }
  EXPECT_EQ(SingleBatteryDevice::decode(os::PlistArray{PlistValue(minimalRecord())}), nullptr);
  EXPECT_EQ(DoubleBatteryDevice::decode("Mouse"), nullptr);
}

TEST(BatteryLevelRuleTest, FractionsScalePercentagesPassThroughAndTheRestIsAbsent) {
  const std::pair<double, std::optional<int>> cases[] = {
      {1, 100}, {0.5, 50}, {0.555, 55},
      {0.29, 29},  // single precision: double arithmetic would give 28
      {0.001, 0}, {42, 42}, {1.5, 1}, {100, 100}, {100.9, 100},
      {0.0, std::nullopt}, {-0.5, std::nullopt}, {101.0, std::nullopt}, {1e300, std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
      {std::numeric_limits<double>::infinity(), std::nullopt},
  };
  for (const auto& [number, level] : cases) {
    auto got = SingleBatteryDevice(DeviceType::mouse, "m", number).batteryLevel();
    EXPECT_EQ(got ? std::optional<int>(*got) : std::nullopt, level) << number;
  }
}

TEST(BatteryDeviceIdentityTest, EachNewDeviceHasItsOwnCanonicalUpperCaseSerialAndToken) {
  // Upper-case version-4 form; std::regex would not build warning-free under the sanitizers.
  const auto canonical = [](std::string s) {
    const bool v4 = s.size() == 36 && s[14] == '4' && std::string_view("89AB").find(s[19]) != s.npos;
    for (char& c : s) c = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') ? 'x' : c;
    return v4 && s == "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
  };
  SingleBatteryDevice first(DeviceType::undefined, ""), second(DeviceType::undefined, "");
  EXPECT_TRUE(canonical(first.serial())) << first.serial();
  EXPECT_NE(first.serial(), second.serial());
}

}  // namespace
}  // namespace tellwick
