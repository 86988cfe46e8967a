#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_JSON_LINE_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_JSON_LINE_H_

#include <string>
#include <vector>

#include "tools/tellwickctl/watch/layout.h"
#include "tools/tellwickctl/watch/watch_state.h"

namespace tellwick::watch {

// One interval as one line of JSON (newline included) for scripts: "time"
// (seconds since the epoch), "interval", "helperAnswering", then for each
// panel asked for what the screen shows: "sensors" (identifier, description,
// value, unit, min, max), "fans" (the record's keys and relativeSpeed),
// "traffic" (the counters, sentPerSecond and receivedPerSecond, and their
// rate texts sentRate and receivedRate), "batteries" (name, type, serial,
// level and charging of a single device; left, right and case levels of a
// double one). A category not answered yet, and any absent value, is null.
std::string jsonLine(const WatchState& state, const std::vector<Panel>& panels, double unixSeconds,
                     bool helperAnswering);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_JSON_LINE_H_
