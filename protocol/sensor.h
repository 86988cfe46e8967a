#ifndef TELLWICK_PROTOCOL_SENSOR_H_
#define TELLWICK_PROTOCOL_SENSOR_H_

#include <cstdint>
#include <optional>
#include <string>

#include "protocol/sensor_type.h"
#include "protocol/symbol_image.h"

namespace tellwick {

// One sensor reading. Coding keys: "Identifier", "Description", "Value"
// (written only when present).
struct Sensor {
  std::string identifier;
  std::string description;
  std::optional<double> value;

  Sensor(std::string identifier, std::string description, std::optional<double> value)
      : identifier(std::move(identifier)), description(std::move(description)), value(value) {}

  // Classification of identifier; never SensorType::fan.
  SensorType type() const;
  std::optional<SymbolImage> symbolImage() const;
  std::uint8_t fractionDigits() const;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_SENSOR_H_
