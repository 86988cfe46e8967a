#ifndef TELLWICK_BATTERY_PROXIMITY_PAIRING_H_
#define TELLWICK_BATTERY_PROXIMITY_PAIRING_H_

#include <cstdint>
#include <optional>
#include <span>

namespace tellwick {

// The Bluetooth company identifier under which earbuds of vendor 0x004C
// broadcast their state.
inline constexpr std::uint16_t kProximityPairingCompany = 0x004C;

enum class BudSide { left, right };

// What one "proximity pairing" advertisement says. Levels are percentages in
// steps of ten, absent when the earbuds do not know them (a bud out of range
// or in a closed case) or send a value that is no level.
struct ProximityPairing {
  std::uint16_t model = 0;  // the product identifier, as the device's Modalias gives it
  BudSide primary = BudSide::left;
  std::optional<std::uint8_t> left, right, caseLevel;
  bool leftCharging = false, rightCharging = false, caseCharging = false;

  bool operator==(const ProximityPairing&) const = default;
};

// Decodes the manufacturer data sent under kProximityPairingCompany (the
// bytes after the company identifier): type 0x07, length, prefix 0x01, model
// (little-endian), status, the primary and the other bud's level, then the
// case level and the charging flags. Bytes after the declared length are
// ignored. nullopt for anything else: another message type, another prefix,
// a length shorter than those fields or longer than the bytes given. Pure;
// any thread.
std::optional<ProximityPairing> decodeProximityPairing(std::span<const std::uint8_t> data);

// True for the products of vendor 0x004C that are two earbuds in a charging
// case, whose advertisements carry a left, a right and a case level.
bool isEarbudPair(std::uint16_t product);

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_PROXIMITY_PAIRING_H_
