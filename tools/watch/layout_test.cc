#include "tools/watch/layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tellwick::watch {
namespace {

struct Place {
  Panel panel;
  int top;
  int height;
  bool operator==(const Place&) const = default;
};

struct LayoutCase {
  const char* name;
  int lines;
  Panel focus;
  std::optional<Panel> enlarged;
  std::vector<Place> shown;
  std::vector<Panel> hidden;
};

using enum Panel;
const PanelWish kWishes[] = {{sensors, 12}, {fans, 2}, {traffic, 5}, {batteries, 3}};

const LayoutCase kLayouts[] = {
    {"a tall terminal gives every wish and the rest to sensors", 40, fans, {},
     {{sensors, 1, 25}, {fans, 26, 3}, {traffic, 29, 6}, {batteries, 35, 4}}, {}},
    {"sensor graphs grow only by a whole row each", 30, sensors, {},
     {{sensors, 1, 13}, {fans, 14, 3}, {traffic, 17, 6}, {batteries, 23, 4}}, {}},
    {"too few lines hide the last panels", 8, sensors, {}, {{sensors, 1, 2}, {fans, 3, 2}, {traffic, 5, 2}}, {batteries}},
    {"the focused panel is never the one hidden", 8, batteries, {},
     {{sensors, 1, 2}, {fans, 3, 2}, {batteries, 5, 2}}, {traffic}},
    {"no room for any panel", 3, sensors, {}, {}, {sensors, fans, traffic, batteries}},
};

TEST(LayoutTest, PlacesWhatFitsAndNamesWhatIsHidden) {
  for (const auto& c : kLayouts) {
    Layout layout = layoutPanels(c.lines, kWishes, c.focus, c.enlarged);
    std::vector<Place> shown;
    for (const auto& p : layout.shown) shown.push_back({p.panel, p.top, p.height});
    EXPECT_EQ(shown, c.shown) << c.name;
    EXPECT_EQ(layout.hidden, c.hidden) << c.name;
    EXPECT_EQ(layout.keyLine, c.lines - 1);
    int bottom = layout.shown.empty() ? 1 : layout.shown.back().top + layout.shown.back().height;
    EXPECT_LE(bottom, layout.keyLine) << c.name;
  }
}

}  // namespace
}  // namespace tellwick::watch
