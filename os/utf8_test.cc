#include "os/utf8.h"

#include <gtest/gtest.h>

namespace tellwick {
namespace {

TEST(Utf8Test, PrintableTextKeepsTextAndReplacesBadBytesAndControls) {
  const std::string r(kReplacementCharacter);
  const std::pair<std::string, std::string> cases[] = {
      {"Left \xc2\xb0" "C \xe2\x82\xac", "Left \xc2\xb0" "C \xe2\x82\xac"},
      {"a\x1b[2Jb", "a" + r + "[2Jb"},
      {"line\nbreak\ttab\x7f", "line" + r + "break" + r + "tab" + r},
      {std::string("nul\0x", 5), "nul" + r + "x"},
      {"csi \xc2\x9b" "31m", "csi " + r + "31m"},
      {"nbsp \xc2\xa0", "nbsp \xc2\xa0"},
      {"bad \xff\xc3", "bad " + r + r},
      {"overlong \xc0\xaf", "overlong " + r + r},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(printableText(in), out) << in;
}

}  // namespace
}  // namespace tellwick
