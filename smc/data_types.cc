#include "smc/data_types.h"

#include <bit>

#include "smc/string_converter.h"

namespace tellwick {
namespace {

double signedFixed(std::span<const std::uint8_t> bytes, double scale) {
  auto raw = static_cast<std::int16_t>(static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]));
  return raw * scale;
}

}  // namespace

std::optional<double> DataTypes::decode(std::uint32_t type, std::span<const std::uint8_t> bytes) {
  constexpr auto code = StringConverter::fourCharCode;
  const std::size_t needed = type == code("flt ") ? 4 : 2;
  if (bytes.size() < needed) return std::nullopt;
  switch (type) {
    case code("sp78"): return signedFixed(bytes, 1.0 / 256);
    case code("sp69"): return signedFixed(bytes, 1.0 / 512);
    case code("sp5a"): return signedFixed(bytes, 1.0 / 1024);
    case code("sp4b"): return signedFixed(bytes, 1.0 / 2048);
    case code("sp3c"): return signedFixed(bytes, 1.0 / 4096);
    case code("fpe2"): return ((bytes[0] << 8) | bytes[1]) * 0.25;
    case code("flt "): {
      std::uint32_t pattern = static_cast<std::uint32_t>(bytes[0]) |
                              static_cast<std::uint32_t>(bytes[1]) << 8 |
                              static_cast<std::uint32_t>(bytes[2]) << 16 |
                              static_cast<std::uint32_t>(bytes[3]) << 24;
      return static_cast<double>(std::bit_cast<float>(pattern));
    }
    default: return std::nullopt;
  }
}

}  // namespace tellwick
