#include "profiler/whitespace.h"

#include <gtest/gtest.h>

namespace tellwick {
namespace {

TEST(WhitespaceTest, TrimsBlanksTabsAndUnicodeSpaceSeparatorsOnly) {
  EXPECT_EQ(trimWhitespace(" \t a b \t "), "a b");
  EXPECT_EQ(trimWhitespace("\xC2\xA0x\xE2\x80\xAF\xE3\x80\x80"), "x");
  EXPECT_EQ(trimWhitespace("\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8A\xE2\x81\x9Fx"), "x");
  EXPECT_EQ(trimWhitespace("\nx\r"), "\nx\r");
  // Zero-width space is a format character, not a space separator.
  EXPECT_EQ(trimWhitespace("\xE2\x80\x8Bx"), "\xE2\x80\x8Bx");
  EXPECT_EQ(trimWhitespace("  \t "), "");
  // A stray continuation byte is not mistaken for part of a space.
  EXPECT_EQ(trimWhitespace("\x80x\xA0"), "\x80x\xA0");
}

}  // namespace
}  // namespace tellwick
