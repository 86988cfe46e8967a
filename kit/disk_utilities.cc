#include "kit/disk_utilities.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace tellwick {
namespace {

constexpr char kUnshowable[] = "-";

// The bit count of a byte rate, absent when it does not fit 64 bits.
std::optional<std::uint64_t> bitsOf(std::uint64_t bytesPerSecond) {
  if (bytesPerSecond > UINT64_MAX / 8) return std::nullopt;
  return bytesPerSecond * 8;
}

// bytes × (1 ÷ seconds), truncated toward zero; absent where that conversion
// would be undefined (not finite, negative or at least 2^64).
std::optional<std::uint64_t> intervalRate(std::uint64_t bytes, double seconds) {
  const double rate = static_cast<double>(bytes) * (1.0 / seconds);
  if (!std::isfinite(rate) || rate < 0.0 || rate >= 18446744073709551616.0) return std::nullopt;
  return static_cast<std::uint64_t>(rate);
}

std::string integerText(std::uint64_t value, const char* unit) { return std::to_string(value) + " " + unit; }

std::string decimalText(double value, const char* unit) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f %s", value, unit);
  return buffer;
}

std::string fineBytes(std::uint64_t r) {
  if (r <= 1023) return integerText(r, "B/s");
  if (r <= 0xFFFFF) return integerText(r >> 10, "KB/s");
  if (r <= 0x3FFFFFFF) return decimalText(std::ldexp(static_cast<double>(r), -20), "MB/s");
  return decimalText(std::ldexp(static_cast<double>(r), -30), "GB/s");
}

std::string fineBits(std::uint64_t r) {
  const std::optional<std::uint64_t> bits = bitsOf(r);
  if (!bits) return kUnshowable;
  const std::uint64_t d = *bits;
  if (d <= 999) return integerText(d, "b/s");
  if (d <= 999999) return integerText(d / 1000, "Kb/s");
  if (d <= 999999999) return decimalText(static_cast<double>(d) / 1e6, "Mb/s");
  if (d >= 1000000000000) return "0 b/s";
  return decimalText(static_cast<double>(d) / 1e9, "Gb/s");
}

std::string wholeBytes(std::uint64_t r) {
  if (r <= 1023) return integerText(r, "B/s");
  if (r <= 0xFFFFF) return integerText(r >> 10, "KB/s");
  if (r <= 0x3FFFFFFF) {
    return integerText(static_cast<std::uint64_t>(std::ldexp(static_cast<double>(r), -20)), "MB/s");
  }
  return decimalText(std::ldexp(static_cast<double>(r), -30), "GB/s");
}

std::string wholeBits(std::uint64_t r) {
  const std::optional<std::uint64_t> bits = bitsOf(r);
  if (!bits) return kUnshowable;
  const std::uint64_t d = *bits;
  if (d <= 999) return integerText(d, "b/s");
  if (d <= 999999) return integerText(d / 1000, "Kb/s");
  if (d <= 999999999) return integerText(static_cast<std::uint64_t>(static_cast<double>(d) / 1e6), "Mb/s");
  // d < 2^64, so the quotient stays below 2^35 and the conversion is defined.
  return integerText(static_cast<std::uint64_t>(static_cast<double>(d) / 1e9), "Gb/s");
}

}  // namespace

std::string DiskUtilities::byteCountText(std::int64_t count, ByteCountStyle style) {
  if (count < 0) return kUnshowable;
  return formatByteCount(count, style);
}

std::string DiskUtilities::memoryByteCountText(std::int64_t count) {
  return byteCountText(count, ByteCountStyle::memory);
}

std::string DiskUtilities::rateText(std::uint64_t bytesPerSecond, bool inBits) {
  return inBits ? fineBits(bytesPerSecond) : fineBytes(bytesPerSecond);
}

std::string DiskUtilities::rateText(std::uint64_t bytes, bool inBits, double seconds) {
  // Written as a negated comparison so that a NaN interval is refused too.
  if (!(seconds > 0.0)) return kUnshowable;
  const std::optional<std::uint64_t> rate = intervalRate(bytes, seconds);
  if (!rate) return kUnshowable;
  return rateText(*rate, inBits);
}

std::string DiskUtilities::wholeRateText(std::uint64_t bytesPerSecond, bool inBits) {
  return inBits ? wholeBits(bytesPerSecond) : wholeBytes(bytesPerSecond);
}

std::string DiskUtilities::wholeRateText(std::uint64_t bytes, bool inBits, double seconds) {
  const std::optional<std::uint64_t> rate = intervalRate(bytes, seconds);
  if (!rate) return kUnshowable;
  return wholeRateText(*rate, inBits);
}

}  // namespace tellwick
