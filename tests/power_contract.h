#ifndef TELLWICK_TESTS_POWER_CONTRACT_H_
#define TELLWICK_TESTS_POWER_CONTRACT_H_

// What every PowerSources and IoRegistry must do, run against the fakes and
// against the Linux implementations over tests/fixtures/power/
// laptop-energy.umockdev. Both present the same laptop: BAT0 behind the ACPI
// firmware, charging on mains; a Bluetooth mouse "MX Master 3"
// (f0:b3:ec:01:02:03, Logitech) and a USB "Magic Keyboard" (F0T1234ABCD,
// Apple), each with its battery. What the Linux values are worth is judged
// against UPower in tests/upower_referee_test.cc.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "os/power/io_registry.h"
#include "os/power/power_sources.h"

namespace tellwick::testing {

// The one description a laptop's power sources give; empty when they give
// anything else.
inline os::PlistDictionary onlySource(os::PowerSources& sources) {
  auto list = sources.copyPowerSourceDescriptions();
  EXPECT_TRUE(list.ok() && list->size() == 1u) << list.error();
  const bool one = list.ok() && list->size() == 1u;
  const auto* d = one ? (*list)[0].get<os::PlistDictionary>() : nullptr;
  return d ? *d : os::PlistDictionary{};
}

// Only the keys of expected, in any order, compared by value.
inline void expectIncludes(const os::PlistDictionary& actual, const os::PlistDictionary& expected) {
  for (const auto& [key, value] : expected) {
    const os::PlistValue* found = os::findKey(actual, key);
    EXPECT_TRUE(found && *found == value) << "key " << key;
  }
}

class PowerWorld {
 public:
  virtual ~PowerWorld() = default;
  virtual os::PowerSources& powerSources() = 0;
  virtual os::IoRegistry& registry() = 0;
  // The mains adapter is pulled out.
  virtual void unplugAdapter() = 0;
  // The battery's voltage can no longer be read (the gauge answers EIO).
  virtual void breakBatteryVoltage() = 0;
  // The mouse goes out of range: its HID device and battery disappear.
  virtual void removeMouse() = 0;
};

struct PowerWorldFactory {
  std::string name;
  std::function<std::unique_ptr<PowerWorld>()> make;
};

inline void PrintTo(const PowerWorldFactory& factory, std::ostream* os) { *os << factory.name; }

// The laptop above, as both worlds must present it.
struct LaptopExpectations {
  static os::PlistDictionary powerSource() {
    return {{"Name", "BAT0"}, {"Power Source State", "AC Power"}, {"Is Charging", true}};
  }
  static os::PlistDictionary smartBattery() {
    return {{"AppleRawMaxCapacity", 4500}, {"CycleCount", 123}, {"Amperage", 1131},
            {"Voltage", 12600}};
  }
  static os::PlistDictionary mouseBattery() {
    return {{"DeviceAddress", "f0-b3-ec-01-02-03"}, {"BatteryPercent", 67},
            {"Transport", "Bluetooth"}, {"VendorID", 0x046D}, {"ProductID", 0xB023},
            {"Product", "MX Master 3"}, {"HIDDefaultBehavior", "Mouse"},
            {"BatteryStatus", "Discharging"}};
  }
  static os::PlistDictionary keyboardBattery() {
    return {{"DeviceAddress", "f0t1234abcd"}, {"BatteryPercent", 70}, {"Product", "Magic Keyboard"}};
  }
  static os::PlistDictionary mouseRadio() {
    const os::PlistDictionary maker = {{"ManufacturerString", "Logitech Inc."}};
    return {{"DeviceAddress", "f0-b3-ec-01-02-03"},
            {"Descriptors", os::PlistDictionary{{"DeviceDescriptor", maker}}}};
  }
};

class PowerContract : public ::testing::TestWithParam<PowerWorldFactory> {
 protected:
  void SetUp() override {
    world_ = GetParam().make();
    ASSERT_TRUE(world_);
  }
  os::IoRegistry& registry() { return world_->registry(); }

  std::vector<os::RegistryEntry> services(std::string_view className) {
    auto found = registry().matchingServices(className);
    EXPECT_TRUE(found.ok()) << found.error();
    return found.ok() ? *found : std::vector<os::RegistryEntry>{};
  }
  os::PlistDictionary propertiesOf(os::RegistryEntry entry) {
    auto all = registry().properties(entry);
    EXPECT_TRUE(all);
    return all ? *all : os::PlistDictionary{};
  }
  static std::optional<std::string> text(const os::PlistDictionary& d, std::string_view key) {
    const os::PlistValue* v = os::findKey(d, key);
    return v && v->get<std::string>() ? std::optional(*v->get<std::string>()) : std::nullopt;
  }

  std::unique_ptr<PowerWorld> world_;
};

TEST_P(PowerContract, TheMachineBatteryIsOneSourceAndOneServiceUnderItsController) {
  expectIncludes(onlySource(world_->powerSources()), LaptopExpectations::powerSource());
  world_->unplugAdapter();
  expectIncludes(onlySource(world_->powerSources()), {{"Power Source State", "Battery Power"}});

  const auto batteries = services("AppleSmartBattery");
  ASSERT_EQ(batteries.size(), 1u);
  expectIncludes(propertiesOf(batteries[0]), LaptopExpectations::smartBattery());
  const auto parent = registry().parentEntry(batteries[0]);
  ASSERT_TRUE(parent);
  EXPECT_EQ(registry().property(*parent, "IOProviderClass"), os::PlistValue("AppleSMC"));
  EXPECT_FALSE(registry().properties(os::kNoRegistryEntry));
  EXPECT_FALSE(registry().parentEntry(os::kNoRegistryEntry));

  world_->breakBatteryVoltage();
  const auto properties = propertiesOf(batteries[0]);
  EXPECT_FALSE(os::findKey(properties, "Voltage"));
  // Without a voltage the power reading gives no current either.
  EXPECT_FALSE(os::findKey(properties, "Amperage"));
  expectIncludes(properties, {{"CycleCount", 123}});
}

TEST_P(PowerContract, PeripheralBatteriesAreServedUnderTheFirstFinderClassOnly) {
  const auto batteries = services("AppleDeviceManagementHIDEventService");
  ASSERT_EQ(batteries.size(), 2u);
  std::vector<os::PlistDictionary> found;
  for (auto entry : batteries) {
    found.push_back(propertiesOf(entry));
    const auto parent = registry().parentEntry(entry);
    ASSERT_TRUE(parent);
    EXPECT_TRUE(registry().property(*parent, "PrimaryUsage"));
  }
  const bool mouseFirst = text(found[0], "Product") == "MX Master 3";
  expectIncludes(found[mouseFirst ? 0 : 1], LaptopExpectations::mouseBattery());
  expectIncludes(found[mouseFirst ? 1 : 0], LaptopExpectations::keyboardBattery());
  EXPECT_THAT(services("IOAppleBluetoothHIDDriver"), ::testing::IsEmpty());
}

TEST_P(PowerContract, HidDevicesCarryTheirUsageAndMaker) {
  const std::pair<std::string, os::PlistDictionary> expected[] = {
      {"F0:B3:EC:01:02:03", {{"PrimaryUsage", 2}, {"Manufacturer", "Logitech Inc."}}},
      {"F0T1234ABCD", {{"PrimaryUsage", 6}, {"Manufacturer", "Apple Inc."}}}};
  const auto devices = services("IOHIDUserDevice");
  EXPECT_EQ(devices, services("IOHIDUserDevice"));
  ASSERT_EQ(devices.size(), std::size(expected));
  for (const auto& [identifier, properties] : expected) {
    int seen = 0;
    for (auto entry : devices) {
      const auto d = propertiesOf(entry);
      if (text(d, "PhysicalDeviceUniqueID") != identifier) continue;
      ++seen;
      expectIncludes(d, properties);
    }
    EXPECT_EQ(seen, 1) << identifier;
  }
  const auto bluetooth = services("AppleHSBluetoothDevice");
  ASSERT_EQ(bluetooth.size(), 1u);
  expectIncludes(propertiesOf(bluetooth[0]), LaptopExpectations::mouseRadio());
}

TEST_P(PowerContract, ADeviceThatGoesAwayAfterListingReadsAsGone) {
  const auto before = services("AppleDeviceManagementHIDEventService");
  ASSERT_EQ(before.size(), 2u);
  world_->removeMouse();
  int gone = 0;
  for (auto entry : before) {
    if (registry().properties(entry)) continue;
    ++gone;
    EXPECT_FALSE(registry().property(entry, "BatteryPercent"));
    EXPECT_FALSE(registry().parentEntry(entry));
  }
  EXPECT_EQ(gone, 1);
  const auto after = services("AppleDeviceManagementHIDEventService");
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(text(propertiesOf(after[0]), "Product"), "Magic Keyboard");
}

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_POWER_CONTRACT_H_
