#include "kit/disk_utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "kit/byte_count_formatter.h"

namespace tellwick {
namespace {

using S = ByteCountStyle;

TEST(ByteCountFormatterTest, SmallCountsAreWordedInBytes) {
  for (S style : {S::file, S::memory, S::decimal, S::binary}) {
    EXPECT_EQ(formatByteCount(0, style), "Zero KB");
    EXPECT_EQ(formatByteCount(1, style), "1 byte");
    EXPECT_EQ(formatByteCount(2, style), "2 bytes");
    EXPECT_EQ(formatByteCount(512, style), "512 bytes");
    EXPECT_EQ(formatByteCount(999, style), "999 bytes");
  }
}

TEST(ByteCountFormatterTest, DecimalStylesStepByThousand) {
  for (S style : {S::file, S::decimal}) {
    EXPECT_EQ(formatByteCount(1000, style), "1 KB");
    EXPECT_EQ(formatByteCount(1499, style), "1 KB");
    EXPECT_EQ(formatByteCount(1500, style), "2 KB");
    EXPECT_EQ(formatByteCount(999'499, style), "999 KB");
    // Rounds up into the next unit instead of showing "1000 KB".
    EXPECT_EQ(formatByteCount(999'500, style), "1 MB");
    EXPECT_EQ(formatByteCount(1'500'000, style), "1.5 MB");
    EXPECT_EQ(formatByteCount(1'049'999, style), "1 MB");
    EXPECT_EQ(formatByteCount(1'050'000, style), "1.1 MB");
    EXPECT_EQ(formatByteCount(12'345'678'901, style), "12.3 GB");
    EXPECT_EQ(formatByteCount(999'960'000'000, style), "1 TB");
    EXPECT_EQ(formatByteCount(2'500'000'000'000'000, style), "2.5 PB");
  }
}

TEST(ByteCountFormatterTest, BinaryStylesStepBy1024) {
  for (S style : {S::memory, S::binary}) {
    EXPECT_EQ(formatByteCount(1000, style), "1000 bytes");
    EXPECT_EQ(formatByteCount(1023, style), "1023 bytes");
    EXPECT_EQ(formatByteCount(1024, style), "1 KB");
    EXPECT_EQ(formatByteCount(1024 * 1024 - 1, style), "1 MB");
    EXPECT_EQ(formatByteCount(1024 * 1024 * 3 / 2, style), "1.5 MB");
    EXPECT_EQ(formatByteCount(std::int64_t{1} << 30, style), "1 GB");
  }
}

TEST(ByteCountFormatterTest, ExtremesStayInTheLargestUnit) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(formatByteCount(kMax, S::file), "9.2 EB");
  EXPECT_EQ(formatByteCount(kMax, S::memory), "8 EB");
  EXPECT_EQ(formatByteCount(std::numeric_limits<std::int64_t>::min(), S::memory), "-8 EB");
  EXPECT_EQ(formatByteCount(-1500, S::file), "-2 KB");
}

TEST(DiskUtilitiesTest, ByteCountTextRefusesNegativeCounts) {
  EXPECT_EQ(DiskUtilities::byteCountText(-1), "-");
  EXPECT_EQ(DiskUtilities::byteCountText(std::numeric_limits<std::int64_t>::min(), S::memory), "-");
  EXPECT_EQ(DiskUtilities::byteCountText(0), "Zero KB");
  EXPECT_EQ(DiskUtilities::byteCountText(1'500'000), "1.5 MB");
  EXPECT_EQ(DiskUtilities::byteCountText(1'500'000, S::binary), "1.4 MB");
  EXPECT_EQ(DiskUtilities::memoryByteCountText(1024), "1 KB");
  EXPECT_EQ(DiskUtilities::memoryByteCountText(-5), "-");
}

TEST(DiskUtilitiesTest, FineByteLadderBounds) {
  EXPECT_EQ(DiskUtilities::rateText(0, false), "0 B/s");
  EXPECT_EQ(DiskUtilities::rateText(1023, false), "1023 B/s");
  EXPECT_EQ(DiskUtilities::rateText(1024, false), "1 KB/s");
  EXPECT_EQ(DiskUtilities::rateText(1536, false), "1 KB/s");
  EXPECT_EQ(DiskUtilities::rateText(0xFFFFF, false), "1023 KB/s");
  EXPECT_EQ(DiskUtilities::rateText(0x100000, false), "1.00 MB/s");
  EXPECT_EQ(DiskUtilities::rateText(1572864, false), "1.50 MB/s");
  EXPECT_EQ(DiskUtilities::rateText(0x3FFFFFFF, false), "1024.00 MB/s");
  EXPECT_EQ(DiskUtilities::rateText(0x40000000, false), "1.00 GB/s");
  EXPECT_EQ(DiskUtilities::rateText(3221225472, false), "3.00 GB/s");
  EXPECT_EQ(DiskUtilities::rateText(UINT64_MAX, false), "17179869184.00 GB/s");
}

TEST(DiskUtilitiesTest, FineBitLadderBoundsAndCutOff) {
  EXPECT_EQ(DiskUtilities::rateText(0, true), "0 b/s");
  EXPECT_EQ(DiskUtilities::rateText(124, true), "992 b/s");
  EXPECT_EQ(DiskUtilities::rateText(125, true), "1 Kb/s");
  EXPECT_EQ(DiskUtilities::rateText(124'999, true), "999 Kb/s");
  EXPECT_EQ(DiskUtilities::rateText(125'000, true), "1.00 Mb/s");
  EXPECT_EQ(DiskUtilities::rateText(1'500'000, true), "12.00 Mb/s");
  // The top of a rung keeps its unit even where two decimals round it up.
  EXPECT_EQ(DiskUtilities::rateText(124'999'999, true), "1000.00 Mb/s");
  EXPECT_EQ(DiskUtilities::rateText(125'000'000, true), "1.00 Gb/s");
  EXPECT_EQ(DiskUtilities::rateText(124'999'999'999, true), "1000.00 Gb/s");
  EXPECT_EQ(DiskUtilities::rateText(125'000'000'000, true), "0 b/s");
  EXPECT_EQ(DiskUtilities::rateText((std::uint64_t{1} << 61) - 1, true), "0 b/s");
  EXPECT_EQ(DiskUtilities::rateText(std::uint64_t{1} << 61, true), "-");
  EXPECT_EQ(DiskUtilities::rateText(UINT64_MAX, true), "-");
}

TEST(DiskUtilitiesTest, WholeLaddersTruncateAndKeepGigabyteDecimals) {
  EXPECT_EQ(DiskUtilities::wholeRateText(1023, false), "1023 B/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(1024, false), "1 KB/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(0xFFFFF, false), "1023 KB/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(1572864, false), "1 MB/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(0x3FFFFFFF, false), "1023 MB/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(3221225472, false), "3.00 GB/s");

  EXPECT_EQ(DiskUtilities::wholeRateText(124, true), "992 b/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(125, true), "1 Kb/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(1'500'000, true), "12 Mb/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(124'999'999, true), "999 Mb/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(125'000'000, true), "1 Gb/s");
  // No cut-off at a terabit in the whole form.
  EXPECT_EQ(DiskUtilities::wholeRateText(125'000'000'000, true), "1000 Gb/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(std::uint64_t{1} << 61, true), "-");
}

TEST(DiskUtilitiesTest, IntervalRatesDivideThenTruncate) {
  EXPECT_EQ(DiskUtilities::rateText(3000, false, 2.0), "1 KB/s");
  EXPECT_EQ(DiskUtilities::rateText(2047, false, 2.0), "1023 B/s");
  EXPECT_EQ(DiskUtilities::rateText(992, true, 8.0), "992 b/s");
  EXPECT_EQ(DiskUtilities::rateText(1, false, 1e9), "0 B/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(3'000'000, true, 2.0), "12 Mb/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(3000, false, 0.5), "5 KB/s");
}

TEST(DiskUtilitiesTest, UnshowableIntervalsGiveDash) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (bool inBits : {false, true}) {
    EXPECT_EQ(DiskUtilities::rateText(100, inBits, 0.0), "-");
    EXPECT_EQ(DiskUtilities::rateText(100, inBits, -0.0), "-");
    EXPECT_EQ(DiskUtilities::rateText(100, inBits, -2.0), "-");
    EXPECT_EQ(DiskUtilities::rateText(100, inBits, nan), "-");
    // A tiny interval pushes the rate past 64 bits.
    EXPECT_EQ(DiskUtilities::rateText(UINT64_MAX, inBits, 1e-3), "-");
    EXPECT_EQ(DiskUtilities::wholeRateText(100, inBits, 0.0), "-");
    EXPECT_EQ(DiskUtilities::wholeRateText(0, inBits, 0.0), "-");
    EXPECT_EQ(DiskUtilities::wholeRateText(100, inBits, -2.0), "-");
    EXPECT_EQ(DiskUtilities::wholeRateText(100, inBits, nan), "-");
    EXPECT_EQ(DiskUtilities::wholeRateText(UINT64_MAX, inBits, 0.5), "-");
  }
  // An infinite interval is a rate of zero, not a fault.
  EXPECT_EQ(DiskUtilities::rateText(100, false, inf), "0 B/s");
  EXPECT_EQ(DiskUtilities::wholeRateText(100, true, inf), "0 b/s");
}

}  // namespace
}  // namespace tellwick
