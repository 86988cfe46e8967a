#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_OPTIONS_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_OPTIONS_H_

#include <optional>
#include <string>
#include <vector>

#include "os/result.h"
#include "tools/tellwickctl/watch/layout.h"

namespace tellwick::watch {

inline constexpr double kMinInterval = 0.2;
inline constexpr double kMaxInterval = 60;

// The command line of `tellwickctl watch`.
struct WatchOptions {
  double interval = 1;
  std::vector<Panel> panels{Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries};
  bool json = false;
  std::optional<long> count;  // stop after this many intervals
};

// The panels named in list (names separated by commas, each once or more),
// in the view's order; why not when a name is not a panel's.
os::Result<std::vector<Panel>> panelsNamed(const std::string& list);

// The next step of the interval ladder 0.2, 0.5, 1, 2, 5, 10, 30, 60 s up
// (longer) or down (shorter) from seconds, staying within the ladder.
double nextInterval(double seconds, bool longer);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_OPTIONS_H_
