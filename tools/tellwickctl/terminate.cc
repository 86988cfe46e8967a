// "tellwickctl terminate": asks the helper to stop and waits until it says
// it has.
#include <string>

#include "protocol/distributed_notifications.h"
#include "protocol/helper_notifications.h"
#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/exit_codes.h"

namespace tellwick::ctl {
namespace {

int terminate(Context& context, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(context, line, "terminate does not take '" + line.words[1] + "'");
  auto connected = context.bus();
  if (!connected) {
    context.err << "tellwickctl: the helper cannot be asked: " << connected.error() << "\n";
    return kExitNoAnswer;
  }
  os::SessionBus& bus = **connected;
  auto& center = bus.notificationCenter();
  bool stopped = false;
  DistributedNotifications::addObserver(center, &stopped, HelperNotifications::helperStopped,
                                        [&](const os::Notification&) { stopped = true; });
  bool running = bus.names().nameHasOwner(std::string(kHelperBusName));
  DistributedNotifications::post(center, HelperNotifications::terminateHelper);
  bus.flush();
  int status = kExitOk;
  if (!running) {
    context.err << "tellwickctl: the helper is not running; nothing to stop\n";
  } else if (!bus.runUntil([&] { return stopped; }, line.options.timeout)) {
    context.err << "tellwickctl: the helper did not confirm that it stopped\n";
    status = kExitNoAnswer;
  }
  DistributedNotifications::removeObserver(center, &stopped, HelperNotifications::helperStopped);
  return status;
}

}  // namespace

extern const Command kTerminate;
const Command kTerminate{"terminate", "[--timeout SECONDS]",
                         "Asks the running helper to stop and waits until it says it has.\n", kTimeoutOption,
                         &terminate};

}  // namespace tellwick::ctl
