#ifndef TELLWICK_TESTS_POWER_CONTRACT_H_
#define TELLWICK_TESTS_POWER_CONTRACT_H_

// What every PowerSources and IoRegistry must do, run against the fakes and
// against the Linux implementations over tests/fixtures/power/
// laptop-energy.umockdev. Both present the same laptop: BAT0 behind the ACPI
// firmware, charging on mains; a Bluetooth mouse "MX Master 3"
// (f0:b3:ec:01:02:03, Logitech) and a USB "Magic Keyboard" (F0T1234ABCD,
// Apple), each with its battery. The values the Linux side computes are
// judged against UPower in tests/upower_referee_test.cc.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "os/power/io_registry.h"
#include "os/power/power_sources.h"

namespace tellwick::testing {

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

class PowerContract : public ::testing::TestWithParam<std::function<std::unique_ptr<PowerWorld>()>> {
 protected:
  void SetUp() override { world_ = GetParam()(); }
  os::IoRegistry& registry() { return world_->registry(); }

  std::vector<os::RegistryEntry> services(std::string_view className) {
    auto found = registry().matchingServices(className);
    EXPECT_TRUE(found.ok()) << found.error();
    return found.ok() ? *found : std::vector<os::RegistryEntry>{};
  }
  // The property as text, "-" when it is missing, "?" when not text.
  std::string text(os::RegistryEntry entry, std::string_view key) {
    const auto value = registry().property(entry, key);
    if (!value) return "-";
    return value->get<std::string>() ? *value->get<std::string>() : "?";
  }
  // The one description of the machine's battery under key, "-" when
  // missing; "none" when there is not exactly one dictionary.
  std::string source(std::string_view key) {
    auto list = world_->powerSources().copyPowerSourceDescriptions();
    const auto* d = list.ok() && list->size() == 1u ? (*list)[0].get<os::PlistDictionary>() : nullptr;
    if (!d) return "none";
    const os::PlistValue* value = os::findKey(*d, key);
    if (!value) return "-";
    if (const auto* b = value->get<bool>()) return *b ? "true" : "false";
    return value->get<std::string>() ? *value->get<std::string>() : "?";
  }

  std::unique_ptr<PowerWorld> world_;
};

TEST_P(PowerContract, TheMachineBatteryIsOneSourceAndOneServiceUnderItsController) {
  EXPECT_EQ(source("Name") + " " + source("Is Charging") + " " + source("Power Source State"),
            "BAT0 true AC Power");
  world_->unplugAdapter();
  EXPECT_EQ(source("Power Source State"), "Battery Power");

  const auto batteries = services("AppleSmartBattery");
  ASSERT_EQ(batteries.size(), 1u);
  EXPECT_EQ(registry().property(batteries[0], "Voltage"), os::PlistValue(12600));
  EXPECT_EQ(registry().property(batteries[0], "Amperage"), os::PlistValue(1131));
  const auto parent = registry().parentEntry(batteries[0]);
  ASSERT_TRUE(parent);
  EXPECT_EQ(text(*parent, "IOProviderClass"), "AppleSMC");
  EXPECT_FALSE(registry().properties(os::kNoRegistryEntry));
  EXPECT_FALSE(registry().parentEntry(os::kNoRegistryEntry));

  world_->breakBatteryVoltage();
  // Without a voltage the power reading gives no current either.
  EXPECT_EQ(text(batteries[0], "Voltage") + text(batteries[0], "Amperage"), "--");
  EXPECT_EQ(registry().property(batteries[0], "CycleCount"), os::PlistValue(123));
}

// What the LE finder reads of each HID device (the HID finder's reading is
// judged against UPower), and the maker of a Bluetooth one.
TEST_P(PowerContract, HidDevicesCarryTheirUsageAndMaker) {
  std::vector<std::string> found;
  for (auto hid : services("IOHIDUserDevice")) {
    const auto usage = registry().property(hid, "PrimaryUsage");
    const auto* number = usage ? usage->get<std::int64_t>() : nullptr;
    found.push_back(text(hid, "PhysicalDeviceUniqueID") + " " +
                    (number ? std::to_string(*number) : "-") + " " + text(hid, "Manufacturer"));
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"F0:B3:EC:01:02:03 2 Logitech Inc.",
                                             "F0T1234ABCD 6 Apple Inc."}));
  EXPECT_TRUE(services("IOAppleBluetoothHIDDriver").empty());
  const auto bluetooth = services("AppleHSBluetoothDevice");
  ASSERT_EQ(bluetooth.size(), 1u);
  EXPECT_EQ(registry().property(bluetooth[0], "Descriptors"),
            os::PlistValue(os::PlistDictionary{
                {"DeviceDescriptor", os::PlistDictionary{{"ManufacturerString", "Logitech Inc."}}}}));
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
  EXPECT_EQ(text(after[0], "Product"), "Magic Keyboard");
}

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_POWER_CONTRACT_H_
