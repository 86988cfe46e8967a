#include "os/utf8.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tellwick {
namespace {

// Text is kept, controls and each byte that is not in a well-formed sequence
// replaced; only the latter make the text invalid.
TEST(Utf8Test, PrintableTextKeepsTextAndReplacesBadBytesAndControls) {
  const std::string r(kReplacementCharacter);
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"Left \xc2\xb0" "C \xe2\x82\xac", "Left \xc2\xb0" "C \xe2\x82\xac", true},
      {"\xF0\x9F\x98\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF", "\xF0\x9F\x98\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF", true},
      {"a\x1b[2Jb", "a" + r + "[2Jb", true},
      {"line\nbreak\ttab\x7f", "line" + r + "break" + r + "tab" + r, true},
      {std::string("nul\0x", 5), "nul" + r + "x", true},
      {"csi \xc2\x9b" "31m", "csi " + r + "31m", true},
      {"nbsp \xc2\xa0", "nbsp \xc2\xa0", true},
      {"bad \xff\xc3", "bad " + r + r, false}, {"\x80", r, false}, {"\xC3(", r + "(", false},
      {"overlong \xc0\xaf", "overlong " + r + r, false}, {"\xE0\x80\xAF", r + r + r, false},
      {"\xED\xA0\x80", r + r + r, false},  // a UTF-16 surrogate
      {"\xF4\x90\x80\x80", r + r + r + r, false},  // above U+10FFFF
  };
  for (const auto& [in, out, valid] : cases) {
    EXPECT_EQ(printableText(in), out) << in;
    EXPECT_EQ(isValidUtf8(in), valid) << in;
  }
}

}  // namespace
}  // namespace tellwick
