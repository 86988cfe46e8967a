#include "tools/tellwickctl/watch/watch_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tellwick::watch {
namespace {

constexpr double kLadder[] = {0.2, 0.5, 1, 2, 5, 10, 30, 60};
constexpr Panel kAllPanels[] = {Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries};

// The value of "--name VALUE" or "--name=VALUE" at arguments[i]; advances i
// past a separate value.
std::optional<std::string> valueOf(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name) {
  const std::string& a = arguments[i];
  if (a == name) {
    if (i + 1 == arguments.size()) return std::nullopt;
    return arguments[++i];
  }
  return a.substr(name.size() + 1);
}

bool isOption(const std::string& argument, const std::string& name) {
  return argument == name || argument.starts_with(name + "=");
}

}  // namespace

const char* const kWatchUsage =
    "usage: tellwickctl watch [--interval SECONDS] [--only sensors,fans,traffic,batteries]\n"
    "                         [--json] [--count N]\n"
    "Shows every category live, asking the running helper once per interval.\n"
    "  --interval SECONDS  time between updates, 0.2 to 60 (default 1)\n"
    "  --only LIST         the panels to show, separated by commas\n"
    "  --json              one JSON line per interval instead of the screen\n"
    "                      (also when standard output is not a terminal)\n"
    "  --count N           stop after N intervals\n"
    "Keys: q quit, arrows or j/k move, Enter enlarge, + and - change the interval.\n";

os::Result<WatchOptions> parseWatchOptions(const std::vector<std::string>& arguments) {
  WatchOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "-h" || a == "--help") {
      options.help = true;
    } else if (a == "--json") {
      options.json = true;
    } else if (isOption(a, "--interval")) {
      auto text = valueOf(arguments, i, "--interval");
      if (!text) return os::failure("--interval needs a number of seconds");
      double seconds = 0;
      auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), seconds);
      if (ec != std::errc() || end != text->data() + text->size() || !(seconds >= kMinInterval - 1e-9) ||
          !(seconds <= kMaxInterval)) {
        return os::failure("--interval wants seconds from 0.2 to 60, not '" + *text + "'");
      }
      options.interval = seconds;
    } else if (isOption(a, "--count")) {
      auto text = valueOf(arguments, i, "--count");
      if (!text) return os::failure("--count needs a number of intervals");
      long count = 0;
      auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), count);
      if (ec != std::errc() || end != text->data() + text->size() || count < 1) {
        return os::failure("--count wants a whole number of intervals from 1, not '" + *text + "'");
      }
      options.count = count;
    } else if (isOption(a, "--only")) {
      auto text = valueOf(arguments, i, "--only");
      if (!text) return os::failure("--only needs panels: sensors,fans,traffic,batteries");
      std::vector<bool> wanted(4, false);
      std::size_t start = 0;
      for (;;) {
        std::size_t comma = text->find(',', start);
        std::string name = text->substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        auto found = std::find_if(std::begin(kAllPanels), std::end(kAllPanels),
                                  [&](Panel p) { return name == panelName(p); });
        if (found == std::end(kAllPanels)) {
          return os::failure("--only knows sensors, fans, traffic and batteries, not '" + name + "'");
        }
        wanted[static_cast<std::size_t>(*found)] = true;
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      options.panels.clear();
      for (Panel p : kAllPanels) {
        if (wanted[static_cast<std::size_t>(p)]) options.panels.push_back(p);
      }
    } else {
      return os::failure("watch does not take '" + a + "'");
    }
  }
  return options;
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
