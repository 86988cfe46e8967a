#include "tools/tellwickctl/watch/layout.h"

#include <algorithm>

namespace tellwick::watch {
namespace {
constexpr int kMinimumHeight = 2;  // title and one row
}

const HelperCategory& category(Panel panel) { return helperCategories()[static_cast<std::size_t>(panel)]; }

const char* panelName(Panel panel) { return category(panel).name.data(); }

Layout layoutPanels(int lines, std::span<const PanelWish> wishes, Panel focus, std::optional<Panel> enlarged) {
  Layout layout;
  layout.keyLine = std::max(lines - 1, 0);
  const int room = lines - 2;  // between the status line and the key line

  std::vector<bool> show(wishes.size(), false);
  std::vector<int> height(wishes.size(), 0);
  if (enlarged) {
    for (std::size_t i = 0; i < wishes.size(); ++i) {
      if (wishes[i].panel == *enlarged && room >= kMinimumHeight) {
        show[i] = true;
        height[i] = room;
      }
    }
  } else {
    int left = room;
    auto take = [&](std::size_t i) {
      if (show[i] || left < kMinimumHeight) return;
      show[i] = true;
      height[i] = kMinimumHeight;
      left -= kMinimumHeight;
    };
    for (std::size_t i = 0; i < wishes.size(); ++i) {
      if (wishes[i].panel == focus) take(i);
    }
    for (std::size_t i = 0; i < wishes.size(); ++i) take(i);

    for (bool gave = true; gave && left > 0;) {
      gave = false;
      for (std::size_t i = 0; i < wishes.size() && left > 0; ++i) {
        if (show[i] && height[i] < 1 + std::max(wishes[i].rows, 1)) {
          ++height[i];
          --left;
          gave = true;
        }
      }
    }
    for (std::size_t i = 0; i < wishes.size() && left > 0; ++i) {
      if (!show[i] || wishes[i].panel != Panel::sensors) continue;
      // Graphs grow a row at a time for every sensor at once, or not at all.
      const int sensors = std::max(wishes[i].rows, 1);
      const int rows = height[i] - 1;
      const int perSensor = std::min(kMaxRowsPerSensor, (rows + left) / sensors);
      if (perSensor * sensors > rows) {
        left -= perSensor * sensors - rows;
        height[i] = 1 + perSensor * sensors;
      }
    }
  }

  int top = 1;
  for (std::size_t i = 0; i < wishes.size(); ++i) {
    if (!show[i]) {
      layout.hidden.push_back(wishes[i].panel);
      continue;
    }
    layout.shown.push_back({wishes[i].panel, top, height[i]});
    top += height[i];
  }
  return layout;
}

}  // namespace tellwick::watch
