#include "battery/device_symbols.h"

#include <gtest/gtest.h>

#include <tuple>

#include "battery/low_energy_device.h"

namespace tellwick {
namespace {

TEST(DeviceSymbols, ByTypeThenName) {
  const std::tuple<DeviceType, const char*, const char*, const char*> cases[] = {
      {DeviceType::keyboard, "x", "keyboard", "keyboard"},
      {DeviceType::mouse, "x", "magicmouse", "cursorarrow"},
      {DeviceType::trackpad, "x", "rectangle", "rectangle"},
      {DeviceType::headset, "x", "headphones", "headphones"},
      {DeviceType::chargingCase, "AirPods Pro Case", "airpodspro.chargingcase.wireless",
       "bolt.fill"},
      {DeviceType::chargingCase, "Case", "airpods.chargingcase", "bolt.fill"},
      {DeviceType::lowEnergy, "AirPods", "dot.radiowaves.right", "dot.radiowaves.right"},
      {DeviceType::undefined, "My AirPods2", "airpods.chargingcase", "bolt.fill"},
      {DeviceType::undefined, "AirPods Pro", "airpodspro", "airpods"},
      {DeviceType::undefined, "AirPods Max", "airpodsmax", "headphones"},
      {DeviceType::undefined, "Beats Solo3", "beats.headphones", "headphones"},
      {DeviceType::undefined, "Powerbeats", "beats.powerbeats", "headphones"},
      {DeviceType::undefined, "Beats Magic Mouse", "magicmouse", "cursorarrow"},
      {DeviceType::undefined, "Beats Studio", "dot.radiowaves.right", "dot.radiowaves.right"},
  };
  for (const auto& [type, name, current, legacy] : cases) {
    SingleBatteryDevice device(type, name);
    EXPECT_EQ(symbolImage(device, SymbolSet::current), current) << name;
    EXPECT_EQ(symbolImage(device, SymbolSet::legacy), legacy) << name;
  }
}

TEST(DeviceSymbols, LeftAndRightUnits) {
  const std::tuple<const char*, SymbolSet, const char*, const char*> cases[] = {
      {"AirPods Pro", SymbolSet::legacy, "airpodpro.left", "airpodpro.right"},
      {"AirPods", SymbolSet::current, "airpod.left", "airpod.right"},
      {"Powerbeats Pro", SymbolSet::current, "beats.powerbeatspro.left",
       "beats.powerbeatspro.right"},
      {"Buds", SymbolSet::current, "l.circle.fill", "r.circle.fill"},
  };
  for (const auto& [name, set, left, right] : cases) {
    DoubleBatteryDevice device(name, "AA", "Apple Inc.", std::nullopt, 1, 2, std::nullopt);
    EXPECT_EQ(leftSymbolImage(device, set), left) << name;
    EXPECT_EQ(rightSymbolImage(device, set), right) << name;
  }
}

TEST(LowEnergySymbols, CatalogueThenLogitechWordsThenTheBaseRule) {
  auto catalogue = DeviceCatalogue::fromJson(R"({
    "iPad14,1": {"kind": "tablet", "name": "iPad mini", "shortName": "mini"},
    "Watch7,1": {"kind": "watch", "name": "Watch", "shortName": "W"},
    "iPod9,1": {"kind": "player", "name": "iPod touch", "shortName": "touch"},
    "iPhone16,1": {"kind": "phone", "name": "iPhone 15 Pro", "shortName": "15 Pro"},
    "broken": {"kind": "car", "name": "x", "shortName": "x"}})");
  using Text = std::optional<std::string>;
  const std::tuple<Text, Text, const char*, const char*> cases[] = {
      {"iPad14,1", "Logitech", "MX Master", "ipad"},
      {"Watch7,1", {}, "x", "applewatch"},
      {"iPod9,1", {}, "x", "ipod"},
      {"iPhone16,1", {}, "x", "iphone"},
      {"broken", {}, "AirPods", "airpods"},
      {{}, "Logitech Inc.", "MX Master 3", "cursorarrow"},
      {{}, "Logitech", "Keys K380", "keyboard"},
      {{}, "Logitech", "master", "dot.radiowaves.right"},
      {{}, "Acme", "MX Master", "dot.radiowaves.right"},
      {{}, {}, "Magic Mouse", "magicmouse"},
  };
  for (const auto& [internalName, manufacturer, name, symbol] : cases) {
    LowEnergyDevice device("AA", name, 0);
    device.setInternalName(internalName);
    device.setManufacturer(manufacturer);
    EXPECT_EQ(device.symbolImage(catalogue), symbol) << name;
  }
}

}  // namespace
}  // namespace tellwick
