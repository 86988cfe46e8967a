// "tellwickctl watch": the live view of every category.
#include "tools/tellwickctl/watch/watch.h"

#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {
namespace {

int watchCommand(Context& context, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(context, line, "watch does not take '" + line.words[1] + "'");
  watch::WatchOptions options;
  options.interval = line.options.interval;
  options.json = line.options.json;
  options.count = line.options.count;
  if (line.options.only) {
    auto panels = watch::panelsNamed(*line.options.only);
    if (!panels) return refuse(context, line, panels.error());
    options.panels = std::move(*panels);
  }
  return watch::runWatch(options, context.out, context.err);
}

}  // namespace

extern const Command kWatch;
const Command kWatch{"watch", "[--interval SECONDS] [--only sensors,fans,traffic,batteries] [--json] [--count N]",
                     "Shows every category live, asking the running helper once per interval; without a\n"
                     "terminal, or with --json, prints one JSON line per interval.\n"
                     "Keys: q quit, arrows or j/k move, Enter enlarge, + and - change the interval.\n",
                     kIntervalOption | kOnlyOption | kJsonOption | kCountOption, &watchCommand};

}  // namespace tellwick::ctl
