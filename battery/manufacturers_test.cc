#include "battery/manufacturers.h"

#include <gtest/gtest.h>

#include "battery/device_type.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

TEST(ManufacturersTest, KnownVendorsHaveTheirNamesAndOthersTheLocalizedFallback) {
  const os::ResourceBundle& shipped = os::installedBundle();
  EXPECT_EQ(Manufacturers::name(0x004C, shipped), "Apple Inc.");
  EXPECT_EQ(Manufacturers::name(0x009E, shipped), "Bose Corporation");
  EXPECT_EQ(Manufacturers::name(0x046D, shipped), "Logitech Inc.");
  EXPECT_EQ(Manufacturers::name(0x012D, shipped), "Sony Corporation");
  // 0x4C00 would be Apple's identifier with its bytes swapped.
  EXPECT_EQ(Manufacturers::name(0x4C00, shipped), "Unknown Manufacturer");
  EXPECT_EQ(Manufacturers::name(0x0000, shipped), "Unknown Manufacturer");

  testing::FakeResourceBundle untranslated;
  EXPECT_EQ(Manufacturers::name(0xFFFF, untranslated), "UNKNOWN_MANUFACTURER");
  untranslated.setString("battery", "UNKNOWN_MANUFACTURER", "Inconnu");
  EXPECT_EQ(Manufacturers::name(0xFFFF, untranslated), "Inconnu");
  EXPECT_EQ(Manufacturers::name(0x004C, untranslated), "Apple Inc.");
}

TEST(ManufacturersTest, TheMapHoldsOnlyTheFourVendors) {
  const auto& map = Manufacturers::map();
  EXPECT_EQ(map.size(), 4u);
  EXPECT_FALSE(map.contains(0x0000));
  EXPECT_EQ(map.at(0x012D), Manufacturers::sony);
  EXPECT_EQ(&map, &Manufacturers::map());
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
