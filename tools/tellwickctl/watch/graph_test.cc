#include "tools/tellwickctl/watch/graph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace tellwick::watch {
namespace {

using Rows = std::vector<std::string>;

// An hour of noise at 0.2 s, alternating between 0...1 and 5...6 every
// 10 minutes: within each column the stroke spans that column's lowest to
// highest reading, whether or not the readings were thinned first.
std::vector<float> noisyHours() {
  std::mt19937 random(1);
  std::uniform_real_distribution<float> noise(0, 1);
  std::vector<float> readings;
  for (int i = 0; i < 18000; ++i) readings.push_back(i % 3000 < 1500 ? noise(random) : 5 + noise(random));
  return readings;
}

TEST(GraphTest, DrawsTheGoldenRows) {
  const struct {
    const char* name;
    std::vector<float> readings;
    int width, height;
    Glyphs glyphs;
    Rows expected;
  } kGraphs[] = {
      {"a peak", {0, 1, 2, 3, 2, 1, 0}, 7, 4, Glyphs::ascii, {"   *   ", "  * *  ", " *   * ", "*     *"}},
      {"a spike stays a solid stroke", {0, 0, 0, 3, 0, 0, 0}, 7, 4, Glyphs::ascii,
       {"   *   ", "   *   ", "  * *  ", "*** ***"}},
      {"a short history spans the width", {0, 2}, 5, 3, Glyphs::ascii, {"   **", " *** ", "**   "}},
      {"a flat history sits in the middle", {5, 5, 5}, 3, 3, Glyphs::ascii, {"   ", "***", "   "}},
      {"a missing reading leaves a gap", {0, 1, NAN, 1, 0}, 5, 2, Glyphs::ascii, {" * * ", "*   *"}},
      {"a long history is squeezed", {0, 1, 2, 3, 4, 5, 6, 7, 8}, 3, 3, Glyphs::ascii, {"  *", " * ", "*  "}},
      {"into a single column", {0, 1, 2}, 1, 3, Glyphs::ascii, {"*", "*", "*"}},
      {"braille packs two by four dots a cell", {0, 1, 2, 3}, 1, 1, Glyphs::unicode, {"⡜"}},
      {"braille rising over two cells", {0, 1, 2, 3, 4, 5, 6, 7}, 2, 2, Glyphs::unicode, {" ⡞", "⡼ "}},
      {"nothing to draw", {NAN, NAN}, 3, 1, Glyphs::unicode, {"   "}},
      {"no readings", {}, 2, 1, Glyphs::ascii, {"  "}},
      {"no room", {1, 2}, 0, 3, Glyphs::ascii, {}},
      {"no height", {1, 2}, 3, 0, Glyphs::ascii, {}},
      {"a long noisy history", noisyHours(), 10, 2, Glyphs::ascii, {" *********", "********* "}},
  };
  for (const auto& c : kGraphs) {
    EXPECT_EQ(renderGraph(c.readings, c.width, c.height, c.glyphs), c.expected) << c.name;
  }
}

TEST(BarTest, FillsEighthsOfCells) {
  const struct {
    double fraction;
    int width;
    Glyphs glyphs;
    const char* expected;
  } kBars[] = {
      {0.5, 4, Glyphs::unicode, "██  "}, {0.55, 4, Glyphs::unicode, "██▎ "}, {1, 1, Glyphs::unicode, "█"},
      {1.5, 3, Glyphs::unicode, "███"},  {-2, 3, Glyphs::unicode, "   "},     {NAN, 3, Glyphs::unicode, "   "},
      {0.01, 4, Glyphs::unicode, "    "}, {0.5, 4, Glyphs::ascii, "##.."},   {0.3, 0, Glyphs::ascii, ""},
  };
  for (const auto& b : kBars) EXPECT_EQ(renderBar(b.fraction, b.width, b.glyphs), b.expected) << b.fraction;
}

}  // namespace
}  // namespace tellwick::watch
