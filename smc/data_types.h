#ifndef TELLWICK_SMC_DATA_TYPES_H_
#define TELLWICK_SMC_DATA_TYPES_H_

#include <cstdint>
#include <optional>
#include <span>

namespace tellwick {

// Turns the value bytes of a numeric key into a number by the key's type.
struct DataTypes {
  DataTypes() = delete;

  // The value of bytes read as type (four characters packed big-endian):
  // "sp78", "sp69", "sp5a", "sp4b", "sp3c" (signed fixed point, big-endian),
  // "fpe2" (unsigned, big-endian) and "flt " (IEEE single, little-endian).
  // Absent for any other type, or when bytes is too short for the type.
  // Negative, infinite and NaN results are returned as they are.
  static std::optional<double> decode(std::uint32_t type, std::span<const std::uint8_t> bytes);
};

}  // namespace tellwick

#endif  // TELLWICK_SMC_DATA_TYPES_H_
