#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_LAYOUT_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_LAYOUT_H_

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/helper_categories.h"

namespace tellwick::watch {

// One panel per category the helper answers, in the helper's order.
enum class Panel { sensors, fans, traffic, batteries };

// The category a panel shows.
const HelperCategory& category(Panel panel);
// "sensors", "fans", "traffic", "batteries".
const char* panelName(Panel panel);

// The tallest graph a sensor gets, in rows.
inline constexpr int kMaxRowsPerSensor = 6;

// What a panel would like: its rows of content below its title line.
struct PanelWish {
  Panel panel;
  int rows = 1;
};

// Where a panel goes: its title on line top, its content on the height - 1
// lines below, across the whole width.
struct PanelPlace {
  Panel panel;
  int top = 0;
  int height = 0;
};

// The screen cut into a status line at the top, the panels stacked below it
// and a key line at the bottom.
struct Layout {
  std::vector<PanelPlace> shown;   // top to bottom
  std::vector<Panel> hidden;       // in the order wished for
  int keyLine = 0;                 // the bottom line
};

// Every panel takes at least a title and one row. Panels are placed in the
// order wished for; when they do not all fit, the focused one is kept and
// the others follow in order while they fit; the rest are hidden. Rows
// left over are shared out one at a time among panels that want more; what
// is still left lets the sensors panel (whose wish is one row per sensor)
// grow every graph by whole rows, up to kMaxRowsPerSensor, and the rest stays
// blank. An enlarged panel takes every line between the status and key lines.
// Fewer than 4 lines leaves no room for panels at all. Pure.
Layout layoutPanels(int lines, std::span<const PanelWish> wishes, Panel focus,
                    std::optional<Panel> enlarged = std::nullopt);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_LAYOUT_H_
