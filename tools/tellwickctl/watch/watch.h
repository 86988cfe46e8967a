#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_H_

#include <string>
#include <vector>

namespace tellwick::watch {

// `tellwickctl watch`: the arguments after "watch". Draws the live view on a
// terminal, or prints one JSON line per interval when asked to or when
// standard output is not a terminal. Returns the exit status: 0 after q or
// --count, 128 + the signal after SIGINT, SIGTERM or SIGHUP, 64 for bad
// arguments, 2 when the terminal cannot be drawn on.
int runWatch(const std::vector<std::string>& arguments);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_H_
