// "tellwickctl sensors": every sensor with its value in its unit.
#include <cmath>

#include "protocol/helper_notifications.h"
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

ListView sensorsView(IHelperDataModel& store) {
  return listView(store.sensors(), encodeSensors,
                  {{"IDENTIFIER", Align::left}, {"DESCRIPTION", Align::left}, {"VALUE", Align::right}},
                  [](const Sensor& s) -> std::vector<std::string> {
                    return {s.identifier, s.description, valueText(s)};
                  });
}

constexpr StoreList kLists[] = {{SensorDataModelKey::sensors, "Sensors", &sensorsView}};

}  // namespace

extern const Category kSensors;
const Category kSensors{"sensors", HelperNotifications::requestSensors,
                        HelperNotifications::responseSensors, kLists};

}  // namespace tellwick::ctl
