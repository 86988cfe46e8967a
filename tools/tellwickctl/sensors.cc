// "tellwickctl sensors": every sensor with its value in its unit.
#include <cmath>

#include "protocol/record_coding.h"
#include "tools/tellwickctl/category.h"
#include "tools/tellwickctl/table.h"

namespace tellwick::ctl {
namespace {

std::string valueText(const Sensor& sensor) {
  if (!sensor.value || !std::isfinite(*sensor.value)) return "-";
  std::string text = fixed(*sensor.value, sensor.fractionDigits());
  std::string unit = unitSymbol(sensor.type());
  return unit.empty() ? text : text + " " + unit;
}

// The HID path names its records by group ("appleThermal001"); the
// controller by its four-character keys ("TC0P"). On Linux the first reads
// the hwmon chips through libsensors, the second applesmc.
std::optional<std::string> sourceOf(const std::optional<std::vector<Sensor>>& sensors) {
  if (!sensors || sensors->empty()) return std::nullopt;
  for (const Sensor& s : *sensors) {
    if (!s.identifier.starts_with("apple")) return "SMC (applesmc)";
  }
  return "hwmon (libsensors)";
}

ListView sensorsView(IHelperDataModel& store) {
  const auto sensors = store.sensors();
  ListView view = listView(sensors, encodeSensors,
                  {{"IDENTIFIER", Align::left}, {"DESCRIPTION", Align::left}, {"VALUE", Align::right}},
                  [](const Sensor& s) -> std::vector<std::string> {
                    return {s.identifier, s.description, valueText(s)};
                  });
  view.source = sourceOf(sensors);
  return view;
}

constexpr StoreList kLists[] = {{SensorDataModelKey::sensors, "Sensors", &sensorsView}};

}  // namespace

extern const Category kSensors;
const Category kSensors{*helperCategory("sensors"), kLists};

}  // namespace tellwick::ctl
