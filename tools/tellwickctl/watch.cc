#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/watch/watch.h"

namespace tellwick::ctl {

extern const StandaloneCommand kWatch;
const StandaloneCommand kWatch{
    "watch", "[--interval SECONDS] [--only CATEGORIES] [--json] [--count N]", &watch::runWatch};

}  // namespace tellwick::ctl
