#include "protocol/sensors.h"

#include <string_view>

#include "protocol/json_value.h"
#include "protocol/record_coding.h"

namespace tellwick {
namespace {

std::vector<Sensor> load(const os::ResourceBundle& bundle, std::string_view name) {
  auto path = bundle.pathForResource(name, "json");
  if (!path) return {};
  auto bytes = bundle.readResource(*path);
  if (!bytes) return {};
  auto tree = plistValueFromJson(*bytes);
  if (!tree || !tree->is<os::PlistArray>()) return {};
  auto sensors = decodeSensors(*tree);
  if (!sensors) return {};
  return std::move(*sensors);
}

}  // namespace

std::vector<Sensor> Sensors::temperatures(const os::ResourceBundle& bundle) {
  return load(bundle, "Temperatures");
}
std::vector<Sensor> Sensors::voltages(const os::ResourceBundle& bundle) {
  return load(bundle, "Voltages");
}
std::vector<Sensor> Sensors::currents(const os::ResourceBundle& bundle) {
  return load(bundle, "Currents");
}
std::vector<Sensor> Sensors::powers(const os::ResourceBundle& bundle) {
  return load(bundle, "Powers");
}

std::vector<Sensor> Sensors::all(const os::ResourceBundle& bundle) {
  std::vector<Sensor> sensors = temperatures(bundle);
  auto append = [&sensors](std::vector<Sensor> more) {
    sensors.insert(sensors.end(), std::make_move_iterator(more.begin()),
                   std::make_move_iterator(more.end()));
  };
  append(voltages(bundle));
  append(currents(bundle));
  append(powers(bundle));
  return sensors;
}

}  // namespace tellwick
