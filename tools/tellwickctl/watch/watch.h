#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_H_

#include <ostream>

#include "tools/tellwickctl/watch/watch_options.h"

namespace tellwick::watch {

// `tellwickctl watch`: draws the live view on the terminal, or prints one
// JSON line per interval to out when asked to or when standard output is
// not a terminal. Returns the exit status: 0 after q or the count, 1 when
// out fails, 128 + the signal after SIGINT, SIGTERM or SIGHUP, 2 (with a
// line on err) when the terminal cannot be drawn on.
int runWatch(const WatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_H_
