#include "tools/tellwickctl/watch/text_cells.h"

#include <gtest/gtest.h>

namespace tellwick::watch {
namespace {

TEST(TextCellsTest, SanitizedKeepsTextAndReplacesWhatIsNot) {
  const struct {
    std::string in;
    std::size_t max;
    std::string out;
  } kCases[] = {
      {"CPU °C", 128, "CPU °C"}, {"a\x1b[31mb\a\n", 128, "a?[31mb??"}, {"\xff\xc0\xaf", 128, "???"},
      {"\xed\xa0\x80", 128, "???"}, {"cut\xe2\x82", 128, "cut??"}, {"\xc2\x9b" "c", 128, "??c"}, {"abcdef", 3, "abc"},
  };
  for (const auto& c : kCases) EXPECT_EQ(sanitized(c.in, c.max), c.out) << c.in;
}

TEST(TextCellsTest, FitCellsPadsOrCutsToTheWidth) {
  const struct {
    std::string in;
    int width;
    Align align;
    bool unicode;
    std::string out;
  } kCases[] = {
      {"fan", 5, Align::left, true, "fan  "}, {"°C", 4, Align::right, true, "  °C"},
      {"temperature", 6, Align::left, false, "tempe~"}, {"°°°°", 3, Align::left, true, "°°…"},
      {"abc", 0, Align::left, true, ""}, {"abc", 1, Align::left, true, "…"}, {"abc", 3, Align::right, true, "abc"},
  };
  for (const auto& c : kCases) {
    std::string got = fitCells(c.in, c.width, c.align, c.unicode);
    EXPECT_EQ(got, c.out) << c.in << " in " << c.width;
    EXPECT_EQ(cellWidth(got), static_cast<std::size_t>(c.width));
  }
}

}  // namespace
}  // namespace tellwick::watch
