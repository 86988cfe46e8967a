#include "protocol/device_symbols.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "protocol/battery_device.h"

namespace tellwick {
namespace {

// Current and legacy symbol: by type, then by name; a pair (no type) gives
// its left and right units' symbols.
TEST(DeviceSymbols, ByTypeThenNameAndForEachUnitOfAPair) {
  const std::tuple<std::optional<DeviceType>, const char*, const char*, const char*> cases[] = {
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
      {{}, "AirPods Pro", "airpodpro.left airpodpro.right", "airpodpro.left airpodpro.right"},
      {{}, "AirPods", "airpod.left airpod.right", "airpod.left airpod.right"},
      {{},
       "Powerbeats Pro",
       "beats.powerbeatspro.left beats.powerbeatspro.right",
       "l.circle.fill r.circle.fill"},
      {{}, "Buds", "l.circle.fill r.circle.fill", "l.circle.fill r.circle.fill"},
  };
  for (const auto& [type, name, current, legacy] : cases) {
    for (auto [set, expected] :
         {std::pair(SymbolSet::current, current), {SymbolSet::legacy, legacy}}) {
      const DoubleBatteryDevice pair(name, "", "", {}, {}, {}, {});
      EXPECT_EQ(type ? SingleBatteryDevice(*type, name).symbolImage(set)
                     : pair.leftSymbolImage(set) + " " + pair.rightSymbolImage(set),
                expected)
          << name;
    }
  }
}

}  // namespace
}  // namespace tellwick
