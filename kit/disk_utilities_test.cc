#include "kit/disk_utilities.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>

#include "kit/byte_count_formatter.h"

namespace tellwick {
namespace {

using S = ByteCountStyle;
using D = DiskUtilities;
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();

// file and decimal step by 1000, memory and binary by 1024; nullptr: not checked.
TEST(ByteCountFormatterTest, StepsByTheStylesBaseAndRoundsIntoTheNextUnit) {
  struct Case {
    std::int64_t count;
    const char* decimal;
    const char* binary;
  };
  const Case cases[] = {
      {0, "Zero KB", "Zero KB"},     {1, "1 byte", "1 byte"},         {2, "2 bytes", nullptr},
      {999, "999 bytes", nullptr},   {1000, "1 KB", "1000 bytes"},    {1023, nullptr, "1023 bytes"},
      {1024, nullptr, "1 KB"},       {1499, "1 KB", nullptr},         {1500, "2 KB", nullptr},
      {999'499, "999 KB", nullptr},  {999'500, "1 MB", nullptr},  // not "1000 KB"
      {1024 * 1024 - 1, nullptr, "1 MB"}, {1'500'000, "1.5 MB", "1.4 MB"},
      {1'049'999, "1 MB", nullptr},  {1'050'000, "1.1 MB", nullptr},
      {kMax64, "9.2 EB", "8 EB"},    {kMin64, nullptr, "-8 EB"},      {-1500, "-2 KB", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    for (S style : {S::file, S::decimal, S::memory, S::binary}) {
      const char* expected = style == S::file || style == S::decimal ? c.decimal : c.binary;
      if (expected) { EXPECT_EQ(formatByteCount(c.count, style), expected); }
    }
  }
  // The wrappers refuse negative counts.
  EXPECT_EQ(D::byteCountText(-1) + D::memoryByteCountText(-1) + D::memoryByteCountText(1024), "--1 KB");
}

// Every rung bound is inclusive; nullptr: that form is not checked.
TEST(DiskUtilitiesTest, RateLaddersInBothForms) {
  constexpr auto kMaxU = std::numeric_limits<std::uint64_t>::max();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::uint64_t bytes;
    bool bits;
    std::optional<double> seconds;  // absent: the per-second overload
    const char* fine;
    const char* whole;
  };
  const Case cases[] = {
      {0, false, {}, "0 B/s", nullptr}, {1023, false, {}, "1023 B/s", "1023 B/s"},
      {1024, false, {}, "1 KB/s", "1 KB/s"}, {0xFFFFF, false, {}, "1023 KB/s", "1023 KB/s"},
      {0x100000, false, {}, "1.00 MB/s", nullptr}, {1572864, false, {}, "1.50 MB/s", "1 MB/s"},
      {0x3FFFFFFF, false, {}, "1024.00 MB/s", "1023 MB/s"},
      {3221225472, false, {}, "3.00 GB/s", "3.00 GB/s"}, {kMaxU, false, {}, "17179869184.00 GB/s", nullptr},
      {124, true, {}, "992 b/s", "992 b/s"}, {125, true, {}, "1 Kb/s", "1 Kb/s"},
      {124'999, true, {}, "999 Kb/s", nullptr}, {125'000, true, {}, "1.00 Mb/s", nullptr},
      // The top of a rung keeps its unit even where two decimals round it up.
      {124'999'999, true, {}, "1000.00 Mb/s", "999 Mb/s"}, {125'000'000, true, {}, "1.00 Gb/s", "1 Gb/s"},
      // A terabit cuts off to "0 b/s" in the fine form only.
      {125'000'000'000, true, {}, "0 b/s", "1000 Gb/s"},
      {(std::uint64_t{1} << 61) - 1, true, {}, "0 b/s", nullptr}, {std::uint64_t{1} << 61, true, {}, "-", "-"},
      // Over an interval: divide, then truncate.
      {3000, false, 2.0, "1 KB/s", nullptr}, {2047, false, 2.0, "1023 B/s", nullptr},
      {3'000'000, true, 2.0, nullptr, "12 Mb/s"}, {3000, false, 0.5, nullptr, "5 KB/s"},
      // An infinite interval is a rate of zero, not a fault.
      {100, false, inf, "0 B/s", nullptr}, {100, true, inf, nullptr, "0 b/s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bytes << (c.bits ? " bits over " : " bytes over ") << c.seconds.value_or(-1));
    const auto& s = c.seconds;
    if (c.fine) { EXPECT_EQ(s ? D::rateText(c.bytes, c.bits, *s) : D::rateText(c.bytes, c.bits), c.fine); }
    if (c.whole) { EXPECT_EQ(s ? D::wholeRateText(c.bytes, c.bits, *s) : D::wholeRateText(c.bytes, c.bits), c.whole); }
  }
}

}  // namespace
}  // namespace tellwick
