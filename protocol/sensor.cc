#include "protocol/sensor.h"

#include <string_view>

namespace tellwick {

SensorType Sensor::type() const {
  std::string_view id = identifier;
  auto has = [&](std::string_view word) { return id.find(word) != std::string_view::npos; };
  if (id.starts_with("T") || has("Thermal")) return SensorType::thermal;
  if (id.starts_with("I") || has("Current")) return SensorType::current;
  if (id.starts_with("V") || has("Voltage")) return SensorType::voltage;
  if (id.starts_with("P")) return SensorType::power;
  return SensorType::unknown;
}

std::optional<SymbolImage> Sensor::symbolImage() const {
  switch (type()) {
    case SensorType::unknown: return SymbolImage{"questionmark"};
    case SensorType::thermal: return SymbolImage{"thermometer"};
    case SensorType::voltage:
    case SensorType::current: return SymbolImage{"bolt.fill"};
    case SensorType::power: return SymbolImage{"staroflife.fill"};
    case SensorType::fan: return SymbolImage{"fanblades.fill"};
  }
  return std::nullopt;
}

std::uint8_t Sensor::fractionDigits() const {
  switch (type()) {
    case SensorType::voltage: return 4;
    case SensorType::current:
    case SensorType::power: return 2;
    default: return 0;
  }
}

}  // namespace tellwick
