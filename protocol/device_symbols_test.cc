#include "protocol/device_symbols.h"

#include <gtest/gtest.h>

#include <tuple>

#include "protocol/battery_device.h"

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
    EXPECT_EQ(device.symbolImage(SymbolSet::current), current) << name;
    EXPECT_EQ(device.symbolImage(SymbolSet::legacy), legacy) << name;
  }
}

// Left and right units, current and legacy set, by name.
TEST(DeviceSymbols, LeftAndRightUnits) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"AirPods Pro", "airpodpro.left airpodpro.right", "airpodpro.left airpodpro.right"},
      {"AirPods", "airpod.left airpod.right", "airpod.left airpod.right"},
      {"Powerbeats Pro", "beats.powerbeatspro.left beats.powerbeatspro.right",
       "l.circle.fill r.circle.fill"},
      {"Buds", "l.circle.fill r.circle.fill", "l.circle.fill r.circle.fill"},
  };
  for (const auto& [name, current, legacy] : cases) {
    DoubleBatteryDevice buds(name, "", "", {}, {}, {}, {});
    for (auto [set, expected] : {std::pair(SymbolSet::current, current), {SymbolSet::legacy, legacy}}) {
      EXPECT_EQ(buds.leftSymbolImage(set) + " " + buds.rightSymbolImage(set), expected) << name;
    }
  }
}

}  // namespace
}  // namespace tellwick
