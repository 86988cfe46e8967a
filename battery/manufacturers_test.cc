#include "battery/manufacturers.h"

#include <gtest/gtest.h>

#include "battery/device_type.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

TEST(ManufacturersTest, KnownVendorsHaveTheirNamesAndOthersTheLocalizedFallback) {
  const os::ResourceBundle& shipped = os::installedBundle();
  const std::pair<std::uint16_t, const char*> cases[] = {
      {0x004C, "Apple Inc."}, {0x009E, "Bose Corporation"}, {0x046D, "Logitech Inc."},
      {0x012D, "Sony Corporation"},
      {0x4C00, "Unknown Manufacturer"},  // Apple's identifier with its bytes swapped
      {0x0000, "Unknown Manufacturer"},
  };
  for (const auto& [vendor, name] : cases) EXPECT_EQ(Manufacturers::name(vendor, shipped), name) << vendor;

  testing::FakeResourceBundle untranslated;
  EXPECT_EQ(Manufacturers::name(0xFFFF, untranslated), "UNKNOWN_MANUFACTURER");
  untranslated.setString("battery", "UNKNOWN_MANUFACTURER", "Inconnu");
  EXPECT_EQ(Manufacturers::name(0xFFFF, untranslated), "Inconnu");
  EXPECT_EQ(Manufacturers::name(0x004C, untranslated), "Apple Inc.");
}

TEST(DeviceTypeTest, DescriptionsComeFromTheBatteryTable) {
  testing::FakeResourceBundle bundle;
  bundle.setString("battery", "LOW_ENERGY", "Low-energy device");
  EXPECT_EQ(description(DeviceType::lowEnergy, bundle), "Low-energy device");
  EXPECT_EQ(description(DeviceType::chargingCase, bundle), "CHARGING_CASE");

  const char* keys[] = {"UNDEFINED", "KEYBOARD", "MOUSE",      "TRACKPAD",
                        "HEADPHONES", "HEADSET", "LOW_ENERGY", "CHARGING_CASE"};
  for (int i = 0; i < 8; ++i) {
    auto text = description(static_cast<DeviceType>(i), os::installedBundle());
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, keys[i]) << "no shipped translation for " << keys[i];
  }
  EXPECT_EQ(description(DeviceType::headset, os::installedBundle()), "Headset");
}

}  // namespace
}  // namespace tellwick
