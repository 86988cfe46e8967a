#include "battery/bluetooth_finder.h"

#include <gtest/gtest.h>

namespace tellwick {
namespace {

os::PlistDictionary mouseEntry() {
  return {{"DeviceAddress", "f0-b3-ec-01-02-03"},
          {"BatteryPercent", 67},
          {"Transport", "USB"},
          {"VendorID", 0x046D},
          {"ProductID", 0xB023},
          {"Product", "MX Master 3"}};
}

os::PlistDictionary with(os::PlistDictionary entry, const std::string& key,
                         std::optional<os::PlistValue> value) {
  std::erase_if(entry, [&](const auto& item) { return item.first == key; });
  if (value) entry.emplace_back(key, *value);
  return entry;
}

// The mouse entry with one property changed (absent: left out), as
// "level, charging, maker", or "none" when it is no device.
TEST(BluetoothFinder, EntriesBecomeDevicesOnlyWithEveryRequiredProperty) {
  const struct {
    const char* key;
    std::optional<os::PlistValue> value;
    const char* device;
  } cases[] = {
      {"Product", "MX Master 3", "67, 1, Logitech Inc."},
      {"Product", std::nullopt, "none"},
      {"Product", "", "none"},
      {"BatteryPercent", std::nullopt, "none"},
      {"BatteryPercent", 0.5, "50, 1, Logitech Inc."},
      {"BatteryPercent", 1, "1, 1, Logitech Inc."},
      {"ProductID", 45091.0, "none"},
      {"VendorID", "046D", "none"},
      {"VendorID", 0x004C, "67, 1, Apple Inc."},
      {"VendorID", 0x05AC, "67, 1, -"},
      {"VendorID", 0x1046D, "67, 1, -"},
      {"DeviceAddress", 1, "none"},
      {"Transport", std::nullopt, "none"},
      {"Transport", "Bluetooth", "67, 0, Logitech Inc."},
      {"Transport", "usb", "67, 0, Logitech Inc."},
      // The battery's own status wins over the bus (a receiver's mouse).
      {"BatteryStatus", "Discharging", "67, 0, Logitech Inc."},
      {"BatteryStatus", "Charging", "67, 1, Logitech Inc."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    const auto device = BluetoothFinder::deviceFromEntry(with(mouseEntry(), c.key, c.value));
    std::string got = "none";
    if (device) {
      const auto level = device->batteryLevel();
      got = (level ? std::to_string(*level) : "-") + ", " + std::to_string(device->isCharging()) +
            ", " + device->manufacturer().value_or("-");
      EXPECT_TRUE(!device->vendorId() && device->productId() == 0xB023);
      EXPECT_EQ(device->serial(), "f0-b3-ec-01-02-03");
    }
    EXPECT_EQ(got, c.device);
  }
}

TEST(BluetoothFinder, TheFirstKindRuleThatAppliesWins) {
  const std::pair<os::PlistDictionary, DeviceType> cases[] = {
      {{{"HIDDefaultBehavior", "Mouse"}, {"LowBattery", "KBLowBattery"}}, DeviceType::mouse},
      {{{"HIDDefaultBehavior", "mouse"}}, DeviceType::trackpad},
      {{{"HIDDefaultBehavior", "mouse"}, {"Note", "KBLowBattery"}}, DeviceType::keyboard},
      {{{"HIDDefaultBehavior", "Low Energy"}}, DeviceType::lowEnergy},
      {{{"A", "KBLowBattery"}, {"B", "MOLowBattery"}}, DeviceType::mouse},
      {{{"A", "USBConnectedMO"}}, DeviceType::mouse},
      {{{"A", "molowbattery"}}, DeviceType::trackpad},
      {{{"Name", "Magic KEYBOARD"}}, DeviceType::keyboard},
      {{{"KeyboardLanguage", 1}}, DeviceType::keyboard},
      {{}, DeviceType::trackpad},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& [extra, kind] = cases[i];
    auto entry = with(mouseEntry(), "Product", "Device");
    entry.insert(entry.end(), extra.begin(), extra.end());
    EXPECT_EQ(BluetoothFinder::deviceKind(entry), kind) << "row " << i;
  }
}

}  // namespace
}  // namespace tellwick
