#include "tools/watch/keys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tellwick::watch {
namespace {

struct KeysCase {
  std::vector<Panel> panels;
  std::vector<Key> keys;
  Panel focus;
  std::optional<Panel> enlarged;
  double interval;
  KeyEffect lastEffect;
};

const KeysCase kCases[] = {
    {{Panel::sensors, Panel::fans, Panel::traffic}, {Key::next}, Panel::fans, {}, 1, KeyEffect::redraw},
    {{Panel::sensors, Panel::fans, Panel::traffic}, {Key::next, Key::next, Key::next}, Panel::sensors, {}, 1,
     KeyEffect::redraw},
    {{Panel::sensors, Panel::fans, Panel::traffic}, {Key::previous}, Panel::traffic, {}, 1, KeyEffect::redraw},
    {{Panel::sensors, Panel::fans}, {Key::enlarge}, Panel::sensors, Panel::sensors, 1, KeyEffect::redraw},
    {{Panel::sensors, Panel::fans}, {Key::enlarge, Key::next}, Panel::fans, Panel::fans, 1, KeyEffect::redraw},
    {{Panel::sensors, Panel::fans}, {Key::enlarge, Key::enlarge}, Panel::sensors, {}, 1, KeyEffect::redraw},
    {{Panel::fans}, {Key::longer, Key::longer}, Panel::fans, {}, 5, KeyEffect::intervalChanged},
    {{Panel::fans}, {Key::shorter, Key::shorter, Key::shorter}, Panel::fans, {}, 0.2, KeyEffect::none},
    {{Panel::fans}, {Key::other}, Panel::fans, {}, 1, KeyEffect::none},
    {{Panel::fans}, {Key::quit}, Panel::fans, {}, 1, KeyEffect::quit},
};

TEST(KeysTest, KeysMoveEnlargeAndPace) {
  for (const auto& c : kCases) {
    WatchState state(1);
    state.updateSensors({Sensor("TC0P", "CPU", 40)});
    ViewSettings view;
    view.panels = c.panels;
    view.focus = c.panels.front();
    KeyEffect effect = KeyEffect::none;
    for (Key key : c.keys) effect = applyKey(key, view, state);
    std::string trace = std::to_string(c.keys.size()) + " keys, last " + std::to_string(static_cast<int>(c.keys.back()));
    EXPECT_EQ(view.focus, c.focus) << trace;
    EXPECT_EQ(view.enlarged, c.enlarged) << trace;
    EXPECT_EQ(state.interval(), c.interval) << trace;
    EXPECT_EQ(effect, c.lastEffect) << trace;
  }
}

TEST(KeysTest, ChangingTheIntervalKeepsAnHourOfHistory) {
  WatchState state(1);
  for (int i = 0; i < 4000; ++i) state.updateSensors({Sensor("TC0P", "CPU", i)});
  ViewSettings view;
  view.panels = {Panel::sensors};
  applyKey(Key::longer, view, state);
  EXPECT_EQ(state.sensors()[0].history.capacity(), 1800u);
  EXPECT_EQ(state.sensors()[0].history.at(1799), 3999.0f);
  EXPECT_EQ(state.sensors()[0].maximum, 3999.0);
}

}  // namespace
}  // namespace tellwick::watch
