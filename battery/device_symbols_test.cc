#include "battery/device_symbols.h"

#include <gtest/gtest.h>

#include <tuple>

#include "battery/low_energy_device.h"

namespace tellwick {
namespace {

// Current and legacy symbol: by type, then by name.
TEST(DeviceSymbols, ByTypeThenName) {
  const std::tuple<DeviceType, const char*, const char*, const char*> cases[] = {
      {DeviceType::mouse, "x", "magicmouse", "cursorarrow"},
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

TEST(LowEnergySymbols, CatalogueThenLogitechWordsThenTheBaseRule) {
  auto catalogue = DeviceCatalogue::fromJson(R"({
    "iPad14,1": {"kind": "tablet", "name": "iPad mini", "shortName": "mini"},
    "Watch7,1": {"kind": "watch", "name": "Watch", "shortName": "W"},
    "broken": {"kind": "car", "name": "x", "shortName": "x"}})");
  using Text = std::optional<std::string>;
  const std::tuple<Text, Text, const char*, const char*> cases[] = {
      {"iPad14,1", "Logitech", "MX Master", "ipad"},
      {"Watch7,1", {}, "x", "applewatch"},
      {"broken", {}, "AirPods", "airpods"},
      {{}, "Logitech Inc.", "MX Master 3", "cursorarrow"},
      {{}, "Logitech", "Keys K380", "keyboard"},
      {{}, "Logitech", "master", "dot.radiowaves.right"},
      {{}, "Acme", "MX Master", "dot.radiowaves.right"},
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
