#ifndef TELLWICK_PROTOCOL_SENSORS_H_
#define TELLWICK_PROTOCOL_SENSORS_H_

#include <vector>

#include "os/files/resource_bundle.h"
#include "protocol/sensor.h"

namespace tellwick {

// The catalogue of known System Management Controller sensors: the bundle's
// "Temperatures", "Voltages", "Currents" and "Powers" JSON files, each an
// array of {"Identifier", "Description"} objects.
//
// Each call reads its files anew. A file that is missing, unreadable or not
// an array of complete sensor objects gives an empty list. Any thread.
struct Sensors {
  Sensors() = delete;

  static std::vector<Sensor> temperatures(const os::ResourceBundle& bundle);
  static std::vector<Sensor> voltages(const os::ResourceBundle& bundle);
  static std::vector<Sensor> currents(const os::ResourceBundle& bundle);
  static std::vector<Sensor> powers(const os::ResourceBundle& bundle);
  // The four lists concatenated in the order above.
  static std::vector<Sensor> all(const os::ResourceBundle& bundle);
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_SENSORS_H_
