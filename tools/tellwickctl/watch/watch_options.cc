#include "tools/tellwickctl/watch/watch_options.h"

#include <algorithm>

namespace tellwick::watch {
namespace {

constexpr double kLadder[] = {0.2, 0.5, 1, 2, 5, 10, 30, 60};
constexpr Panel kAllPanels[] = {Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries};

}  // namespace

os::Result<std::vector<Panel>> panelsNamed(const std::string& list) {
  std::vector<bool> wanted(std::size(kAllPanels), false);
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = list.find(',', start);
    std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    auto found = std::find_if(std::begin(kAllPanels), std::end(kAllPanels), [&](Panel p) { return name == panelName(p); });
    if (found == std::end(kAllPanels)) {
      return os::failure("--only knows sensors, fans, traffic and batteries, not '" + name + "'");
    }
    wanted[static_cast<std::size_t>(*found)] = true;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  std::vector<Panel> panels;
  for (Panel p : kAllPanels) {
    if (wanted[static_cast<std::size_t>(p)]) panels.push_back(p);
  }
  return panels;
}

double nextInterval(double seconds, bool longer) {
  if (longer) {
    for (double step : kLadder) {
      if (step > seconds + 1e-9) return step;
    }
    return kLadder[std::size(kLadder) - 1];
  }
  for (auto it = std::rbegin(kLadder); it != std::rend(kLadder); ++it) {
    if (*it < seconds - 1e-9) return *it;
  }
  return kLadder[0];
}

}  // namespace tellwick::watch
