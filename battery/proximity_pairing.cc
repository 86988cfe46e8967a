#include "battery/proximity_pairing.h"

#include <algorithm>
#include <array>

namespace tellwick {
namespace {

constexpr std::uint8_t kMessageType = 0x07;
// 0x00 is the pairing-mode variant, which carries an address where the
// levels would be.
constexpr std::uint8_t kPairedPrefix = 0x01;
// Prefix, model (2), status, bud levels, case level with the flags.
constexpr std::size_t kFieldsLength = 6;

// The status bit that names the left bud as the primary one, the one whose
// level and charging flag come first (low nibble, lowest flag bit).
constexpr std::uint8_t kLeftPrimary = 0x20;
constexpr std::uint8_t kPrimaryCharging = 0x10;
constexpr std::uint8_t kOtherCharging = 0x20;
constexpr std::uint8_t kCaseCharging = 0x40;

// A nibble in tens of percent; 15 is "not known" and 11 to 14 are no level.
std::optional<std::uint8_t> level(unsigned nibble) {
  if (nibble > 10) return std::nullopt;
  return static_cast<std::uint8_t>(nibble * 10);
}

// Two earbuds in a charging case, by product identifier: the first three
// generations and the one with noise cancellation, the four professional
// ones, a wireless-case model seen in published captures, and two sports
// pairs of the same maker.
constexpr std::array<std::uint16_t, 11> kEarbudPairs = {
    0x2002, 0x200F, 0x2013, 0x201B, 0x200E, 0x2014, 0x2024, 0x2027, 0x2030, 0x200B, 0x2012,
};

}  // namespace

std::optional<ProximityPairing> decodeProximityPairing(std::span<const std::uint8_t> data) {
  if (data.size() < 2 || data[0] != kMessageType) return std::nullopt;
  const std::size_t length = data[1];
  if (length < kFieldsLength || data.size() - 2 < length) return std::nullopt;
  auto fields = data.subspan(2, length);
  if (fields[0] != kPairedPrefix) return std::nullopt;

  ProximityPairing message;
  message.model = static_cast<std::uint16_t>(fields[1] | fields[2] << 8);
  const bool leftPrimary = (fields[3] & kLeftPrimary) != 0;
  message.primary = leftPrimary ? BudSide::left : BudSide::right;
  auto primaryLevel = level(fields[4] & 0x0F), otherLevel = level(fields[4] >> 4);
  const bool primaryCharging = (fields[5] & kPrimaryCharging) != 0;
  const bool otherCharging = (fields[5] & kOtherCharging) != 0;
  message.left = leftPrimary ? primaryLevel : otherLevel;
  message.right = leftPrimary ? otherLevel : primaryLevel;
  message.leftCharging = leftPrimary ? primaryCharging : otherCharging;
  message.rightCharging = leftPrimary ? otherCharging : primaryCharging;
  message.caseLevel = level(fields[5] & 0x0F);
  message.caseCharging = (fields[5] & kCaseCharging) != 0;
  return message;
}

bool isEarbudPair(std::uint16_t product) {
  return std::ranges::find(kEarbudPairs, product) != kEarbudPairs.end();
}

}  // namespace tellwick
