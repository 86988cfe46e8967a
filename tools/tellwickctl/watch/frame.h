#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_FRAME_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_FRAME_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/tellwickctl/watch/graph.h"
#include "tools/tellwickctl/watch/layout.h"
#include "tools/tellwickctl/watch/watch_state.h"

namespace tellwick::watch {

enum class LineStyle { plain, status, title, focusedTitle, keys };

struct FrameLine {
  std::string text;  // exactly the frame's width in cells
  LineStyle style = LineStyle::plain;
};

// How the view is set up at the moment of drawing.
struct ViewSettings {
  int columns = 80;
  int lines = 24;
  std::vector<Panel> panels;  // the panels asked for, in screen order
  Panel focus = Panel::sensors;
  std::optional<Panel> enlarged;
  Glyphs glyphs = Glyphs::unicode;
  bool helperAnswering = true;
};

// The rows each panel would like, for the layout.
std::vector<PanelWish> panelWishes(const WatchState& state, const std::vector<Panel>& panels);

// The whole screen as lines of text: a status line, the panels the layout
// places (a title line with column headings, then rows; a list longer than
// its panel ends in a line saying how many more there are), and a key line
// that names the panels that did not fit. Exactly settings.lines lines of
// settings.columns cells (none when either is below 1). Pure.
std::vector<FrameLine> composeFrame(const WatchState& state, const ViewSettings& settings);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_FRAME_H_
