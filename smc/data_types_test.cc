#include "smc/data_types.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "smc/string_converter.h"

namespace tellwick {
namespace {

std::optional<double> decode(const char* type, std::vector<std::uint8_t> bytes) {
  return DataTypes::decode(StringConverter::fourCharCode(type), bytes);
}

// sp types are big-endian two's complement fixed point, fpe2 is unsigned,
// flt is a little-endian float; only the leading bytes count. Other types
// and values too short for their type are absent.
TEST(DataTypesTest, DecodesTheFixedPointAndFloatTypesOnly) {
  std::vector<std::uint8_t> padded(32, 0xEE);
  padded[0] = 0x2A;
  padded[1] = 0x80;
  const struct {
    const char* type;
    std::vector<std::uint8_t> bytes;
    std::optional<double> value;
  } cases[] = {
      {"sp78", {0xFF, 0x80}, -0.5},         {"sp78", {0x7F, 0xFF}, 127.99609375},
      {"sp69", {0x01, 0x00}, 0.5},          {"sp5a", {0x04, 0x00}, 1.0},
      {"sp4b", {0xF0, 0x00}, -2.0},         {"sp3c", {0x80, 0x00}, -8.0},
      {"fpe2", {0x1F, 0x40}, 2000.0},       {"fpe2", {0xFF, 0xFF}, 16383.75},
      {"flt ", {0x00, 0x00, 0xFA, 0x44}, 2000.0}, {"flt ", {0x00, 0x00, 0x80, 0xBF}, -1.0},
      {"flt ", {0x00, 0x00, 0x80, 0x7F}, INFINITY}, {"flt ", {0x01, 0x02, 0x80, 0x3F}, 1.0 + 0x201 * 0x1p-23},
      {"sp78", padded, 42.5},
      {"ui16", {0x2A, 0x80, 0x00, 0x00}, std::nullopt}, {"fpe3", {0x2A, 0x80, 0x00, 0x00}, std::nullopt},
      {"sp7", {0x2A, 0x80, 0x00, 0x00}, std::nullopt},  {"sp78", {0x2A}, std::nullopt},
      {"flt ", {0x00, 0x00, 0xFA}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(decode(c.type, c.bytes), c.value) << c.type;
  auto nan = decode("flt ", {0x00, 0x00, 0xC0, 0x7F});
  ASSERT_TRUE(nan);
  EXPECT_TRUE(std::isnan(*nan));
}

TEST(StringConverterTest, PacksBigEndianKeepingTheLastFourBytes) {
  EXPECT_EQ(StringConverter::fourCharCode("ui8"), 0x00756938u);
  EXPECT_EQ(StringConverter::fourCharCode("XFNum"), 0x464E756Du);
  EXPECT_EQ(StringConverter::fourCharCode(""), 0u);
  EXPECT_EQ(StringConverter::fourCharCode("\xFF\xFF\xFF\xFF"), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tellwick
