#include "tools/tellwickctl/watch/layout.h"

#include <gtest/gtest.h>

#include <string>

namespace tellwick::watch {
namespace {

using enum Panel;

// Each layout as "panel top+height ..." and then "hidden panel ...".
TEST(LayoutTest, PlacesWhatFitsAndNamesWhatIsHidden) {
  const PanelWish wishes[] = {{sensors, 12}, {fans, 2}, {traffic, 5}, {batteries, 3}};
  const struct {
    const char* name;
    int lines;
    Panel focus;
    const char* expected;
  } cases[] = {
      {"a tall terminal gives every wish and the rest to sensors", 40, fans,
       "sensors 1+25 fans 26+3 traffic 29+6 batteries 35+4"},
      {"sensor graphs grow only by a whole row each", 30, sensors, "sensors 1+13 fans 14+3 traffic 17+6 batteries 23+4"},
      {"too few lines hide the last panels", 8, sensors, "sensors 1+2 fans 3+2 traffic 5+2 hidden batteries"},
      {"the focused panel is never the one hidden", 8, batteries, "sensors 1+2 fans 3+2 batteries 5+2 hidden traffic"},
      {"no room for any panel", 3, sensors, "hidden sensors fans traffic batteries"},
  };
  for (const auto& c : cases) {
    Layout layout = layoutPanels(c.lines, wishes, c.focus, std::nullopt);
    std::string got;
    for (const auto& p : layout.shown) {
      got += std::string(panelName(p.panel)) + " " + std::to_string(p.top) + "+" + std::to_string(p.height) + " ";
    }
    for (Panel p : layout.hidden) got += (p == layout.hidden.front() ? "hidden " : "") + std::string(panelName(p)) + " ";
    EXPECT_EQ(got, std::string(c.expected) + " ") << c.name;
    EXPECT_EQ(layout.keyLine, c.lines - 1);
    int bottom = layout.shown.empty() ? 1 : layout.shown.back().top + layout.shown.back().height;
    EXPECT_LE(bottom, layout.keyLine) << c.name;
  }
}

}  // namespace
}  // namespace tellwick::watch
