#include "battery/low_energy_device.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tellwick {
namespace {

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
    LowEnergyDevice device("AA", name, 0, &catalogue);
    device.setInternalName(internalName);
    device.setManufacturer(manufacturer);
    // Whoever holds it as a battery device sees its own symbol.
    EXPECT_EQ(static_cast<const BatteryDevice&>(device).symbolImage(), symbol) << name;
  }
}

}  // namespace
}  // namespace tellwick
