#include "tools/tellwickctl/watch/frame.h"

#include <gmock/gmock.h>

#include <memory>
#include <string>

#include "tools/tellwickctl/watch/text_cells.h"

namespace tellwick::watch {
namespace {

using ::testing::HasSubstr;

// A laptop like the demo's: sensors, two fans, two processes, earbuds with
// their case and a keyboard.
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
  state.updateBatteries(
      {std::make_shared<SingleBatteryDevice>("Case", "case_00-1a", 0x4c, "Apple Inc.", 0x200e, 60,
                                             std::string("CHARGING_CASE")),
       std::make_shared<SingleBatteryDevice>("Keyboard", "aa-bb", 0x4c, "Apple Inc.", 0x29c, 55, std::string("KEYBOARD"))},
      {std::make_shared<DoubleBatteryDevice>("Buds", "00-1a", "Apple Inc.", 0x200e, 100, 90, std::string("HEADPHONES"))});
  return state;
}

ViewSettings sized(int columns, int lines, Glyphs glyphs = Glyphs::unicode) {
  ViewSettings view;
  view.columns = columns;
  view.lines = lines;
  view.panels = {Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries};
  view.glyphs = glyphs;
  return view;
}

TEST(FrameTest, At40By12EveryPanelShowsItsData) {
  auto frame = composeFrame(laptop(), sized(40, 12));
  const char* kGolden[] = {
      "tellwick watch · every 1 s              ",
      "Sensors +1          now  last 4 s       ",
      "CPU 0             44 °C  ⣀⣀⣠⠤⠤⠤⠤⠔⠒⠒⠒⠒⠋⠉⠉",
      "CPU 1             45 °C  ⣀⣀⣠⠤⠤⠤⠤⠔⠒⠒⠒⠒⠋⠉⠉",
      "Fans            rpm  speed        target",
      "Left side      1500  ████       1600 rpm",
      "Right side     2000  ████████   2000 rpm",
      "Traffic +1                in         out",
      "    100  curl         2 KB/s      1 KB/s",
      "Batteries +1  level                     ",
      "Keyboard         55%                    ",
      "q quit · j/k move · Enter enlarge · +/-…",
  };
  ASSERT_EQ(frame.size(), std::size(kGolden));
  for (std::size_t i = 0; i < frame.size(); ++i) EXPECT_EQ(frame[i].text, kGolden[i]) << i;
  EXPECT_EQ(frame[1].style, LineStyle::focusedTitle);
  EXPECT_EQ(frame[4].style, LineStyle::title);
}

TEST(FrameTest, SaysWhatItHidesWaitsForAndEnlarges) {
  const struct {
    int sensors, columns, lines;
    bool answering;
    std::optional<Panel> enlarged;
    std::vector<const char*> shown, absent;
  } kCases[] = {
      {3, 80, 24, true, {}, {"Buds", "100%  R ", "90%  case 60%"}, {"Case "}},
      // The widest row that still fits whole: bars shrink last.
      {3, 63, 24, true, {}, {"Buds          L ███████████ 100%", "case 60%"}, {}},
      {3, 40, 8, true, {}, {"hidden: batteries"}, {}},
      {40, 40, 12, true, {}, {"Sensors +38"}, {}},
      {513, 40, 12, true, {}, {"Sensors +510"}, {}},  // no more than 512 kept
      {3, 100, 24, true, {}, {"\nCPU 0                             44 °C"}, {}},
      {3, 80, 24, false, {}, {"helper not answering"}, {}},
      {0, 80, 24, true, {}, {"waiting for the helper", "every 0.5 s"}, {"helper not answering"}},
      {3, 80, 24, true, Panel::sensors, {"Enter: all panels"}, {"Left side", "hidden:"}},
  };
  for (const auto& c : kCases) {
    ViewSettings view = sized(c.columns, c.lines);
    view.helperAnswering = c.answering;
    view.enlarged = c.enlarged;
    std::string text;
    for (const auto& line : composeFrame(c.sensors ? laptop(c.sensors) : WatchState(0.5), view)) text += line.text + "\n";
    for (const char* s : c.shown) EXPECT_THAT(text, HasSubstr(s));
    for (const char* s : c.absent) EXPECT_THAT(text, ::testing::Not(HasSubstr(s)));
  }
}

// Whatever the helper lists, the view keeps 512 rows of a kind at most.
TEST(FrameTest, KeepsAtMost512BatteryRows) {
  WatchState state(1);
  state.updateBatteries({}, DoubleBatteryDevices(513, std::make_shared<DoubleBatteryDevice>(
                                                          "Buds", "00-1a", "Apple Inc.", 0x200e, 100, 90,
                                                          std::string("HEADPHONES"))));
  ASSERT_TRUE(state.batteries());
  EXPECT_EQ(state.batteries()->size(), 512u);
}

}  // namespace
}  // namespace tellwick::watch
