#ifndef TELLWICK_KIT_DISK_UTILITIES_H_
#define TELLWICK_KIT_DISK_UTILITIES_H_

#include <cstdint>
#include <string>

#include "kit/byte_count_formatter.h"

namespace tellwick {

// Display texts for amounts of data and transfer rates. Every operation is
// pure, never fails (unshowable inputs give "-") and may run on any thread.
//
// Rates use one of two ladders: bytes per second in "B/s", "KB/s", "MB/s",
// "GB/s" stepping by 1024, or (`inBits`) bits per second in "b/s", "Kb/s",
// "Mb/s", "Gb/s" stepping by 1000. Every step bound is inclusive: 1023 B/s,
// then 1 KB/s at 1024.
struct DiskUtilities {
  DiskUtilities() = delete;

  // "-" for a negative count, else formatByteCount(count, style): "2 KB".
  static std::string byteCountText(std::int64_t count, ByteCountStyle style = ByteCountStyle::file);
  // byteCountText in the memory style (powers of 1024).
  static std::string memoryByteCountText(std::int64_t count);

  // Whole B/s and KB/s, two decimals for MB/s and GB/s ("1.50 MB/s"). In bits,
  // one terabit per second or more shows as the fixed "0 b/s", and a rate whose
  // bit count does not fit 64 bits (2^61 bytes per second or more) as "-".
  static std::string rateText(std::uint64_t bytesPerSecond, bool inBits);
  // rateText of bytes ÷ seconds; "-" when seconds is 0 or less, or when the
  // quotient is not a finite value within 64 bits.
  static std::string rateText(std::uint64_t bytes, bool inBits, double seconds);

  // Whole numbers in every unit but GB/s, which keeps two decimals ("3.00
  // GB/s"); the bit ladder has no "0 b/s" cut-off. "-" for a bit count
  // beyond 64 bits, as above.
  static std::string wholeRateText(std::uint64_t bytesPerSecond, bool inBits);
  // wholeRateText of bytes ÷ seconds; "-" when the quotient is not a finite
  // value within 64 bits (so also for 0 seconds with a non-zero amount).
  static std::string wholeRateText(std::uint64_t bytes, bool inBits, double seconds);
};

}  // namespace tellwick

#endif  // TELLWICK_KIT_DISK_UTILITIES_H_
