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

TEST(DataTypesTest, SignedFixedPointIsBigEndianTwosComplement) {
  EXPECT_EQ(decode("sp78", {0x2A, 0x80}), 42.5);
  EXPECT_EQ(decode("sp78", {0xFF, 0x80}), -0.5);
  EXPECT_EQ(decode("sp78", {0x7F, 0xFF}), 127.99609375);
  EXPECT_EQ(decode("sp69", {0x01, 0x00}), 0.5);
  EXPECT_EQ(decode("sp5a", {0x04, 0x00}), 1.0);
  EXPECT_EQ(decode("sp4b", {0xF0, 0x00}), -2.0);
  EXPECT_EQ(decode("sp3c", {0x80, 0x00}), -8.0);
}

TEST(DataTypesTest, Fpe2IsUnsigned) {
  EXPECT_EQ(decode("fpe2", {0x1F, 0x40}), 2000.0);
  EXPECT_EQ(decode("fpe2", {0xFF, 0xFF}), 16383.75);
}

TEST(DataTypesTest, FloatIsLittleEndianAndPassesSpecialValuesThrough) {
  EXPECT_EQ(decode("flt ", {0x00, 0x00, 0xFA, 0x44}), 2000.0);
  EXPECT_EQ(decode("flt ", {0x00, 0x00, 0x80, 0xBF}), -1.0);
  EXPECT_EQ(decode("flt ", {0x00, 0x00, 0x80, 0x7F}), INFINITY);
  auto nan = decode("flt ", {0x00, 0x00, 0xC0, 0x7F});
  ASSERT_TRUE(nan);
  EXPECT_TRUE(std::isnan(*nan));
}

TEST(DataTypesTest, OnlyTheLeadingBytesCount) {
  std::vector<std::uint8_t> bytes(32, 0xEE);
  bytes[0] = 0x2A;
  bytes[1] = 0x80;
  EXPECT_EQ(decode("sp78", bytes), 42.5);
}

TEST(DataTypesTest, OtherTypesAndShortValuesAreAbsent) {
  for (const char* type : {"ui8 ", "ui16", "flag", "fp88", "fpe3", "{fds", "", "sp7"}) {
    EXPECT_FALSE(decode(type, {0x2A, 0x80, 0x00, 0x00})) << type;
  }
  EXPECT_FALSE(decode("sp78", {0x2A}));
  EXPECT_FALSE(decode("flt ", {0x00, 0x00, 0xFA}));
}

TEST(StringConverterTest, PacksBigEndianKeepingTheLastFourBytes) {
  EXPECT_EQ(StringConverter::fourCharCode("FNum"), 0x464E756Du);
  EXPECT_EQ(StringConverter::fourCharCode("sp78"), 0x73703738u);
  EXPECT_EQ(StringConverter::fourCharCode("flt "), 0x666C7420u);
  EXPECT_EQ(StringConverter::fourCharCode("ui8"), 0x00756938u);
  EXPECT_EQ(StringConverter::fourCharCode("XFNum"), 0x464E756Du);
  EXPECT_EQ(StringConverter::fourCharCode(""), 0u);
  EXPECT_EQ(StringConverter::fourCharCode("\xFF\xFF\xFF\xFF"), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tellwick
