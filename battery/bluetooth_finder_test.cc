#include "battery/bluetooth_finder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "battery/iokit_controller.h"
#include "tests/fakes/fake_io_registry.h"

namespace tellwick {
namespace {

using testing::FakeIoRegistry;

// Parameterised cases print as their names.
template <typename Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

os::PlistDictionary mouseEntry() {
  return {{"DeviceAddress", "f0-b3-ec-01-02-03"},
          {"BatteryPercent", 67},
          {"Transport", "Bluetooth"},
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

struct EntryCase {
  const char* name;
  os::PlistDictionary entry;
  bool yieldsDevice;
};

class RequiredProperties : public ::testing::TestWithParam<EntryCase> {};

TEST_P(RequiredProperties, DecideWhetherAnEntryIsADevice) {
  EXPECT_EQ(BluetoothFinder::deviceFromEntry(GetParam().entry) != nullptr, GetParam().yieldsDevice);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RequiredProperties,
    ::testing::Values(
        EntryCase{"Complete", mouseEntry(), true},
        EntryCase{"NoProduct", with(mouseEntry(), "Product", std::nullopt), false},
        EntryCase{"EmptyProduct", with(mouseEntry(), "Product", ""), false},
        EntryCase{"ProductNotText", with(mouseEntry(), "Product", 5), false},
        EntryCase{"NoLevel", with(mouseEntry(), "BatteryPercent", std::nullopt), false},
        EntryCase{"LevelAsText", with(mouseEntry(), "BatteryPercent", "67"), false},
        EntryCase{"ZeroLevelStillADevice", with(mouseEntry(), "BatteryPercent", 0), true},
        EntryCase{"FractionalProductId", with(mouseEntry(), "ProductID", 45091.0), false},
        EntryCase{"VendorAsText", with(mouseEntry(), "VendorID", "046D"), false},
        EntryCase{"AddressNotText", with(mouseEntry(), "DeviceAddress", 1), false},
        EntryCase{"NoTransport", with(mouseEntry(), "Transport", std::nullopt), false}),
    [](const auto& info) { return std::string(info.param.name); });

struct KindCase {
  const char* name;
  os::PlistDictionary extra;
  DeviceType kind;
};

class DeviceKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(DeviceKind, FirstRuleThatAppliesWins) {
  auto entry = mouseEntry();
  entry = with(entry, "Product", "Device");
  for (const auto& item : GetParam().extra) entry.push_back(item);
  EXPECT_EQ(BluetoothFinder::deviceKind(entry), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DeviceKind,
    ::testing::Values(
        KindCase{"BehaviorBeatsIdentifiers",
                 {{"HIDDefaultBehavior", "Mouse"}, {"LowBattery", "KBLowBattery"}},
                 DeviceType::mouse},
        KindCase{"LowerCaseBehaviorFallsThrough",
                 {{"HIDDefaultBehavior", "mouse"}},
                 DeviceType::trackpad},
        KindCase{"LowerCaseBehaviorThenKeyboardIdentifier",
                 {{"HIDDefaultBehavior", "mouse"}, {"Note", "KBLowBattery"}},
                 DeviceType::keyboard},
        KindCase{
            "LowEnergyBehavior", {{"HIDDefaultBehavior", "Low Energy"}}, DeviceType::lowEnergy},
        KindCase{"MouseIdentifierBeforeKeyboard",
                 {{"A", "KBLowBattery"}, {"B", "MOLowBattery"}},
                 DeviceType::mouse},
        KindCase{"UsbMouseIdentifier", {{"A", "USBConnectedMO"}}, DeviceType::mouse},
        KindCase{"IdentifierComparedExactly", {{"A", "molowbattery"}}, DeviceType::trackpad},
        KindCase{"KeyboardInAValue", {{"Name", "Magic KEYBOARD"}}, DeviceType::keyboard},
        KindCase{"KeyboardInAKey", {{"KeyboardLanguage", 1}}, DeviceType::keyboard},
        KindCase{"NothingIsATrackpad", {}, DeviceType::trackpad}),
    [](const auto& info) { return std::string(info.param.name); });

struct FieldCase {
  const char* name;
  os::PlistDictionary entry;
  std::optional<std::uint8_t> level;
  bool charging;
  std::optional<std::string> manufacturer;
};

class DeviceFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(DeviceFields, ComeFromTheEntry) {
  const auto device = BluetoothFinder::deviceFromEntry(GetParam().entry);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->batteryLevel(), GetParam().level);
  EXPECT_EQ(device->isCharging(), GetParam().charging);
  EXPECT_EQ(device->manufacturer(), GetParam().manufacturer);
  EXPECT_EQ(device->vendorId(), std::nullopt);
  EXPECT_EQ(device->productId(), 0xB023);
  EXPECT_EQ(device->serial(), "f0-b3-ec-01-02-03");
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DeviceFields,
    ::testing::Values(FieldCase{"Logitech", mouseEntry(), 67, false, "Logitech Inc."},
                      FieldCase{"FractionScaled", with(mouseEntry(), "BatteryPercent", 0.5), 50,
                                false, "Logitech Inc."},
                      FieldCase{"OneIsFull", with(mouseEntry(), "BatteryPercent", 1), 100, false,
                                "Logitech Inc."},
                      FieldCase{"ZeroHasNoLevel", with(mouseEntry(), "BatteryPercent", 0),
                                std::nullopt, false, "Logitech Inc."},
                      FieldCase{"UsbIsCharging", with(mouseEntry(), "Transport", "USB"), 67, true,
                                "Logitech Inc."},
                      FieldCase{"LowerCaseUsbIsNot", with(mouseEntry(), "Transport", "usb"), 67,
                                false, "Logitech Inc."},
                      FieldCase{"AppleBySigIdentifier", with(mouseEntry(), "VendorID", 0x004C), 67,
                                false, "Apple Inc."},
                      FieldCase{"UnknownVendorHasNoName", with(mouseEntry(), "VendorID", 0x05AC),
                                67, false, std::nullopt},
                      FieldCase{"VendorOutOfRangeHasNoName",
                                with(mouseEntry(), "VendorID", 0x1046D), 67, false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BluetoothFinder, AnEarlierClassWinsADeviceFoundTwice) {
  FakeIoRegistry registry;
  registry.add("BNBMouseDevice", with(mouseEntry(), "Product", "From BNB"));
  registry.add("IOAppleBluetoothHIDDriver",
               with(mouseEntry(), "DeviceAddress", "F0-B3-EC-01-02-03"));
  registry.add("BNBTrackpadDevice", with(mouseEntry(), "DeviceAddress", "aa-bb"));
  BluetoothFinder finder(registry);
  finder.update();
  ASSERT_EQ(finder.devices().size(), 2u);
  EXPECT_EQ(finder.devices()[0]->name(), "MX Master 3");
  EXPECT_EQ(finder.devices()[0]->serial(), "F0-B3-EC-01-02-03");
  EXPECT_EQ(finder.devices()[1]->serial(), "aa-bb");
  for (auto className : BluetoothFinder::registryClasses()) {
    EXPECT_EQ(registry.searches(std::string(className)), 1) << className;
  }
}

TEST(BluetoothFinder, UpdateReplacesTheListAndFindLeavesItAlone) {
  FakeIoRegistry registry;
  const auto entry = registry.add("AppleDeviceManagementHIDEventService", mouseEntry());
  BluetoothFinder finder(registry);
  finder.update();
  ASSERT_EQ(finder.devices().size(), 1u);
  registry.remove(entry);
  EXPECT_TRUE(finder.findDevices().empty());
  EXPECT_EQ(finder.devices().size(), 1u);
  finder.update();
  EXPECT_TRUE(finder.devices().empty());
  registry.setSearchFails(true);
  finder.update();
  EXPECT_TRUE(finder.devices().empty());
}

// The lookups of IOKitController.
class IOKitControllerTest : public ::testing::Test {
 protected:
  os::RegistryEntry addRadio(const std::string& address, os::PlistValue descriptors) {
    return registry_.add("AppleHSBluetoothDevice",
                         {{"DeviceAddress", address}, {"Descriptors", std::move(descriptors)}});
  }
  static os::PlistDictionary descriptorOf(os::PlistValue maker) {
    return {{"DeviceDescriptor", os::PlistDictionary{{"ManufacturerString", std::move(maker)}}}};
  }
  FakeIoRegistry registry_;
  IOKitController controller_{registry_};
};

TEST_F(IOKitControllerTest, ManufacturerSkipsServicesUntilOneHasAFullDescriptor) {
  addRadio("f0-b3-ec-01-02-03", os::PlistDictionary{});
  addRadio("f0-b3-ec-01-02-03", os::PlistDictionary{{"DeviceDescriptor", os::PlistDictionary{}}});
  addRadio("f0-b3-ec-01-02-03", descriptorOf(7));
  addRadio("F0-B3-EC-01-02-03", descriptorOf("Wrong Case Inc."));
  addRadio("f0-b3-ec-01-02-03", "not a dictionary");
  addRadio("f0-b3-ec-01-02-03", descriptorOf("Logitech Inc."));
  EXPECT_EQ(controller_.manufacturerForAddress("f0-b3-ec-01-02-03"), "Logitech Inc.");
  EXPECT_EQ(controller_.manufacturers().size(), 1u);
}

TEST_F(IOKitControllerTest, FoundAnswersAreCachedAndMissesSearchAgain) {
  const auto radio = addRadio("f0-b3-ec-01-02-03", descriptorOf("Logitech Inc."));
  EXPECT_EQ(controller_.manufacturerForAddress("f0-b3-ec-01-02-03"), "Logitech Inc.");
  registry_.remove(radio);
  EXPECT_EQ(controller_.manufacturerForAddress("f0-b3-ec-01-02-03"), "Logitech Inc.");
  EXPECT_EQ(registry_.searches("AppleHSBluetoothDevice"), 1);
  EXPECT_EQ(controller_.manufacturerForAddress("00-00"), std::nullopt);
  EXPECT_EQ(controller_.manufacturerForAddress("00-00"), std::nullopt);
  EXPECT_EQ(registry_.searches("AppleHSBluetoothDevice"), 3);
}

TEST_F(IOKitControllerTest, PropertiesNeedAnIntegerUsageAndATextMaker) {
  const std::string id = "F0:B3:EC:01:02:03";
  registry_.add("IOHIDUserDevice",
                {{"PhysicalDeviceUniqueID", id}, {"PrimaryUsage", "2"}, {"Manufacturer", "A"}});
  registry_.add("IOHIDUserDevice", {{"PhysicalDeviceUniqueID", id}, {"PrimaryUsage", 2}});
  registry_.add("IOHIDUserDevice", {{"PhysicalDeviceUniqueID", "f0:b3:ec:01:02:03"},
                                    {"PrimaryUsage", 2},
                                    {"Manufacturer", "B"}});
  registry_.add("IOHIDUserDevice",
                {{"PhysicalDeviceUniqueID", id}, {"PrimaryUsage", 2}, {"Manufacturer", "C"}});
  EXPECT_EQ(controller_.propertiesForIdentifier(id), (DeviceProperties{2, "C"}));
  EXPECT_EQ(controller_.propertiesForIdentifier(id), (DeviceProperties{2, "C"}));
  EXPECT_EQ(registry_.searches("IOHIDUserDevice"), 1);
  EXPECT_EQ(controller_.propertiesForIdentifier("nobody"), std::nullopt);
  registry_.setSearchFails(true);
  EXPECT_EQ(controller_.propertiesForIdentifier("nobody"), std::nullopt);
  EXPECT_EQ(controller_.propertiesForIdentifier(id), (DeviceProperties{2, "C"}));
}

}  // namespace
}  // namespace tellwick
