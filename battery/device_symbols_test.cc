#include "battery/device_symbols.h"

#include <gtest/gtest.h>

#include "battery/low_energy_device.h"

namespace tellwick {
namespace {

TEST(DeviceSymbols, ByTypeThenName) {
  struct Case {
    DeviceType type;
    const char* name;
    const char* current;
    const char* legacy;
  };
  const Case cases[] = {
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
      {DeviceType::undefined, "AirPods", "airpods", "airpods"},
      {DeviceType::undefined, "Beats Solo3", "beats.headphones", "headphones"},
      {DeviceType::undefined, "Powerbeats", "beats.powerbeats", "headphones"},
      {DeviceType::undefined, "Beats Magic Mouse", "magicmouse", "cursorarrow"},
      {DeviceType::undefined, "Beats Studio", "dot.radiowaves.right", "dot.radiowaves.right"},
  };
  for (const auto& c : cases) {
    SingleBatteryDevice device(c.type, c.name);
    EXPECT_EQ(symbolImage(device, SymbolSet::current), c.current) << c.name;
    EXPECT_EQ(symbolImage(device, SymbolSet::legacy), c.legacy) << c.name;
  }
}

TEST(DeviceSymbols, LeftAndRightUnits) {
  struct Case {
    const char* name;
    SymbolSet set;
    const char* left;
    const char* right;
  };
  const Case cases[] = {
      {"AirPods Pro", SymbolSet::legacy, "airpodpro.left", "airpodpro.right"},
      {"AirPods", SymbolSet::current, "airpod.left", "airpod.right"},
      {"Powerbeats Pro", SymbolSet::current, "beats.powerbeatspro.left",
       "beats.powerbeatspro.right"},
      {"Powerbeats Pro", SymbolSet::legacy, "l.circle.fill", "r.circle.fill"},
      {"Buds", SymbolSet::current, "l.circle.fill", "r.circle.fill"},
  };
  for (const auto& c : cases) {
    DoubleBatteryDevice device(c.name, "AA", "Apple Inc.", std::nullopt, 1, 2, std::nullopt);
    EXPECT_EQ(leftSymbolImage(device, c.set), c.left) << c.name;
    EXPECT_EQ(rightSymbolImage(device, c.set), c.right) << c.name;
  }
}

TEST(LowEnergySymbols, CatalogueThenLogitechWordsThenTheBaseRule) {
  auto catalogue = DeviceCatalogue::fromJson(R"({
    "iPad14,1": {"kind": "tablet", "name": "iPad mini", "shortName": "mini"},
    "Watch7,1": {"kind": "watch", "name": "Watch", "shortName": "W"},
    "iPod9,1": {"kind": "player", "name": "iPod touch", "shortName": "touch"},
    "iPhone16,1": {"kind": "phone", "name": "iPhone 15 Pro", "shortName": "15 Pro"},
    "broken": {"kind": "car", "name": "x", "shortName": "x"}})");
  struct Case {
    std::optional<std::string> internalName, manufacturer;
    const char* name;
    const char* symbol;
  };
  const Case cases[] = {
      {"iPad14,1", "Logitech", "MX Master", "ipad"},
      {"Watch7,1", {}, "x", "applewatch"},
      {"iPod9,1", {}, "x", "ipod"},
      {"iPhone16,1", {}, "x", "iphone"},
      {"broken", {}, "AirPods", "airpods"},
      {{}, "Logitech Inc.", "MX Master 3", "cursorarrow"},
      {{}, "Logitech", "Keys K380", "keyboard"},
      {{}, "Logitech", "Keys-To-Go", "dot.radiowaves.right"},
      {{}, "Logitech", "master", "dot.radiowaves.right"},
      {{}, "Acme", "MX Master", "dot.radiowaves.right"},
      {{}, {}, "Magic Mouse", "magicmouse"},
  };
  for (const auto& c : cases) {
    LowEnergyDevice device("AA", c.name, 0);
    device.setInternalName(c.internalName);
    device.setManufacturer(c.manufacturer);
    EXPECT_EQ(device.symbolImage(catalogue), c.symbol) << c.name;
  }
  EXPECT_EQ(catalogue.size(), 4u);
}

}  // namespace
}  // namespace tellwick
