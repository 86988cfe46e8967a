#include "kit/byte_count_formatter.h"

#include <array>
#include <string_view>

namespace tellwick {
namespace {

constexpr std::array<std::string_view, 7> kUnits = {"bytes", "KB", "MB", "GB", "TB", "PB", "EB"};

// The magnitude of `count` in `unit` (0 = bytes), scaled by 10^decimals and
// rounded half up. Integer arithmetic throughout: a double cannot hold every
// 64-bit count, and the quotient/remainder split keeps every intermediate far
// below 2^64 even for exabytes.
std::uint64_t scaledRounded(std::uint64_t magnitude, std::uint64_t divisor, int decimals) {
  std::uint64_t scale = decimals == 0 ? 1 : 10;
  std::uint64_t whole = magnitude / divisor;
  std::uint64_t rest = (magnitude % divisor) * scale;
  std::uint64_t scaled = whole * scale + rest / divisor;
  if ((rest % divisor) * 2 >= divisor) ++scaled;
  return scaled;
}

std::string unitText(std::uint64_t magnitude, std::uint64_t base) {
  if (magnitude == 0) return "Zero KB";
  if (magnitude == 1) return "1 byte";
  if (magnitude < base) return std::to_string(magnitude) + " bytes";

  std::size_t unit = 1;
  std::uint64_t divisor = base;
  while (unit + 1 < kUnits.size() && magnitude / divisor >= base) {
    divisor *= base;
    ++unit;
  }
  int decimals = unit == 1 ? 0 : 1;
  std::uint64_t scale = decimals == 0 ? 1 : 10;
  std::uint64_t scaled = scaledRounded(magnitude, divisor, decimals);
  if (scaled >= base * scale && unit + 1 < kUnits.size()) {
    divisor *= base;
    ++unit;
    decimals = 1;
    scale = 10;
    scaled = scaledRounded(magnitude, divisor, decimals);
  }

  std::string text = std::to_string(scaled / scale);
  if (scale == 10 && scaled % 10 != 0) {
    text += '.';
    text += static_cast<char>('0' + scaled % 10);
  }
  text += ' ';
  text += kUnits[unit];
  return text;
}

}  // namespace

std::string formatByteCount(std::int64_t count, ByteCountStyle style) {
  const std::uint64_t base = (style == ByteCountStyle::memory || style == ByteCountStyle::binary) ? 1024 : 1000;
  // Negate in unsigned arithmetic so that the most negative count is safe.
  const std::uint64_t magnitude =
      count < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
  std::string text = unitText(magnitude, base);
  return count < 0 ? "-" + text : text;
}

}  // namespace tellwick
