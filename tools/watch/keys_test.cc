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

using enum Panel;
using enum Key;
const KeysCase kCases[] = {
    {{sensors, fans, traffic}, {next}, fans, {}, 1, KeyEffect::redraw},
    {{sensors, fans, traffic}, {next, next, next}, sensors, {}, 1, KeyEffect::redraw},
    {{sensors, fans, traffic}, {previous}, traffic, {}, 1, KeyEffect::redraw},
    {{sensors, fans}, {enlarge}, sensors, sensors, 1, KeyEffect::redraw},
    {{sensors, fans}, {enlarge, next}, fans, fans, 1, KeyEffect::redraw},
    {{sensors, fans}, {enlarge, enlarge}, sensors, {}, 1, KeyEffect::redraw},
    {{fans}, {longer, longer}, fans, {}, 5, KeyEffect::intervalChanged},
    {{fans}, {shorter, shorter, shorter}, fans, {}, 0.2, KeyEffect::none},
    {{fans}, {other}, fans, {}, 1, KeyEffect::none},
    {{fans}, {quit}, fans, {}, 1, KeyEffect::quit},
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
    SCOPED_TRACE(std::to_string(c.keys.size()) + " keys, last " + std::to_string(static_cast<int>(c.keys.back())));
    EXPECT_EQ(view.focus, c.focus);
    EXPECT_EQ(view.enlarged, c.enlarged);
    EXPECT_EQ(state.interval(), c.interval);
    EXPECT_EQ(effect, c.lastEffect);
  }
}

}  // namespace
}  // namespace tellwick::watch
