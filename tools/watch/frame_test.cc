#include "tools/watch/frame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tools/watch/text_cells.h"

namespace tellwick::watch {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::vector<Panel> kAll = {Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries};

// A laptop like the demo's: a few sensors, two fans, two processes, earbuds
// with their case and a keyboard.
WatchState laptop(int sensorCount = 3) {
  WatchState state(1);
  for (int i = 0; i < 5; ++i) {
    std::vector<Sensor> sensors;
    for (int s = 0; s < sensorCount; ++s) {
      sensors.emplace_back("TC" + std::to_string(s) + "P", "CPU " + std::to_string(s), 40.0 + s + i);
    }
    state.updateSensors(sensors);
  }
  state.updateFans({Fan("F0Ac", std::string("Left side"), 1500, 1000, 2000, 1600),
                    Fan("F1Ac", std::string("Right side"), 2000, 1000, 2000, 2000)});
  state.updateTraffic({{100, "curl", 0, 0}, {200, "ssh", 0, 0}}, 0);
  state.updateTraffic({{100, "curl", 1024, 2048}, {200, "ssh", 10, 20}}, 1);
  auto earbuds = std::make_shared<DoubleBatteryDevice>("Buds", "00-1a-7d-da-71-13", "Apple Inc.", 0x200e, 100, 90,
                                                       std::string("HEADPHONES"));
  auto budsCase = std::make_shared<SingleBatteryDevice>("Case", "case_00-1a-7d-da-71-13", 0x4c, "Apple Inc.", 0x200e, 60,
                                                        std::string("CHARGING_CASE"));
  auto keyboard = std::make_shared<SingleBatteryDevice>("Keyboard", "aa-bb", 0x4c, "Apple Inc.", 0x29c, 55, std::string("KEYBOARD"));
  state.updateBatteries({budsCase, keyboard}, {earbuds});
  return state;
}

std::string joined(const std::vector<FrameLine>& frame) {
  std::string text;
  for (const auto& line : frame) text += line.text + "\n";
  return text;
}

ViewSettings sized(int columns, int lines, Glyphs glyphs = Glyphs::unicode) {
  ViewSettings view;
  view.columns = columns;
  view.lines = lines;
  view.panels = kAll;
  view.glyphs = glyphs;
  return view;
}

TEST(FrameTest, EveryLineFillsTheScreenExactly) {
  const struct {
    int columns, lines, sensors;
  } kSizes[] = {{40, 12, 3}, {40, 12, 40}, {80, 24, 12}, {132, 50, 12}, {200, 60, 600}, {20, 5, 3}, {1, 1, 3}};
  for (Glyphs glyphs : {Glyphs::unicode, Glyphs::ascii}) {
    for (const auto& size : kSizes) {
      auto frame = composeFrame(laptop(size.sensors), sized(size.columns, size.lines, glyphs));
      ASSERT_EQ(frame.size(), static_cast<std::size_t>(size.lines));
      for (const auto& line : frame) {
        EXPECT_EQ(cellWidth(line.text), static_cast<std::size_t>(size.columns)) << "'" << line.text << "'";
        if (glyphs == Glyphs::ascii) {
          for (char c : line.text) EXPECT_EQ(c & 0x80, 0) << line.text;
        }
      }
    }
  }
}

TEST(FrameTest, At40By12EveryPanelShowsItsData) {
  auto frame = composeFrame(laptop(), sized(40, 12));
  std::string text = joined(frame);
  EXPECT_THAT(frame[0].text, HasSubstr("every 1 s"));
  for (const char* expected : {"Sensors +1", "CPU 0", "44 °C", "Left side", "1500", "1600 rpm", "Traffic +1", "curl",
                               "2 KB/s", "1 KB/s", "Batteries +1", "Keyboard", "55%"}) {
    EXPECT_THAT(text, HasSubstr(expected));
  }
  EXPECT_THAT(frame.back().text, HasSubstr("q quit"));
  EXPECT_EQ(frame[1].style, LineStyle::focusedTitle);
}

TEST(FrameTest, EarbudsShowLeftRightAndTheirCase) {
  std::string text = joined(composeFrame(laptop(), sized(80, 24)));
  EXPECT_THAT(text, HasSubstr("Buds"));
  EXPECT_THAT(text, HasSubstr("100%  R "));
  EXPECT_THAT(text, HasSubstr("90%  case 60%"));
  // The case is shown beside its earbuds, not again on its own.
  EXPECT_THAT(text, Not(HasSubstr("Case ")));
}

TEST(FrameTest, SaysWhatItHid) {
  auto small = composeFrame(laptop(), sized(40, 8));
  EXPECT_THAT(small.back().text, HasSubstr("hidden: batteries"));
  auto many = joined(composeFrame(laptop(40), sized(40, 12)));
  EXPECT_THAT(many, HasSubstr("Sensors +38"));
}

TEST(FrameTest, TellsWhenTheHelperIsNotAnswering) {
  ViewSettings view = sized(80, 24);
  view.helperAnswering = false;
  EXPECT_THAT(composeFrame(laptop(), view)[0].text, HasSubstr("helper not answering"));
  WatchState empty(0.5);
  std::string waiting = joined(composeFrame(empty, sized(80, 24)));
  EXPECT_THAT(waiting, HasSubstr("waiting for the helper"));
  EXPECT_THAT(waiting, HasSubstr("every 0.5 s"));
}

TEST(FrameTest, AnEnlargedPanelGrowsItsGraphs) {
  ViewSettings view = sized(80, 24);
  view.enlarged = Panel::sensors;
  auto frame = composeFrame(laptop(), view);
  std::string text = joined(frame);
  EXPECT_THAT(text, Not(HasSubstr("Left side")));
  EXPECT_THAT(frame.back().text, HasSubstr("Enter: all panels"));
  // Three sensors in 21 rows: six rows of graph each.
  // Braille is U+2800...U+28FF: E2 A0...A3 in UTF-8.
  auto braille = [](const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] == '\xe2' && (text[i + 1] & 0xFC) == ('\xa0' & 0xFC)) return true;
    }
    return false;
  };
  int graphRows = 0;
  for (const auto& line : frame) graphRows += braille(line.text);
  EXPECT_EQ(graphRows, 3 * 6);
}

}  // namespace
}  // namespace tellwick::watch
