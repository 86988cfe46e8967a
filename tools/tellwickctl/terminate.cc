// "tellwickctl terminate": asks the helper to stop and waits until it says
// it has.
#include <string>

#include "protocol/distributed_notifications.h"
#include "protocol/helper_notifications.h"
#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {
namespace {

int terminate(Context& context, const Invocation& invocation) {
  auto& center = context.bus.notificationCenter();
  bool stopped = false;
  DistributedNotifications::addObserver(center, &stopped, HelperNotifications::helperStopped,
                                        [&](const os::Notification&) { stopped = true; });
  bool running = context.bus.nameHasOwner(std::string(kHelperBusName));
  DistributedNotifications::post(center, HelperNotifications::terminateHelper);
  context.bus.flush();
  int status = kExitAnswered;
  if (!running) {
    context.err << "tellwickctl: the helper is not running; nothing to stop\n";
  } else if (!context.bus.runUntil([&] { return stopped; }, invocation.timeout)) {
    context.err << "tellwickctl: the helper did not confirm that it stopped\n";
    status = kExitNoAnswer;
  }
  DistributedNotifications::removeObserver(center, &stopped, HelperNotifications::helperStopped);
  return status;
}

}  // namespace

extern const Command kTerminate;
const Command kTerminate{"terminate", "[--timeout SECONDS]", false, &terminate};

}  // namespace tellwick::ctl
