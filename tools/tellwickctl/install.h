#ifndef TELLWICK_TOOLS_TELLWICKCTL_INSTALL_H_
#define TELLWICK_TOOLS_TELLWICKCTL_INSTALL_H_

// tellwickctl's installation commands: status, launch, update, website and
// autostart. The run functions below do their work on seams handed in, so
// that tests can drive them.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/bus/session_bus.h"
#include "platform/auto_start_controller.h"
#include "protocol/tellwick.h"
#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {

// Starts the installed helper through the bus (D-Bus activation) and waits
// up to timeout for it to announce itself; why not when it is not installed,
// cannot be started or stays silent. What a category request does when no
// helper is running.
os::Status launchInstalledHelper(os::SessionBus& bus, std::chrono::milliseconds timeout);

enum class AutostartAction { on, off, status };

// The installation commands' work on the seams handed in; each prints
// through io and returns the exit status.
int runStatus(Context& io, const Options& options, const TellwickContext& context);
int runLaunch(Context& io, const Options& options, const TellwickContext& context, os::SessionBus& bus);
int runUpdate(Context& io, const Options& options, const TellwickContext& context);
int runWebsite(Context& io, const TellwickContext& context);
// whyNot gives one line on what kept an on or off from taking effect.
int runAutostart(Context& io, AutostartAction action, IAutoStartController& controller,
                 const std::function<std::string()>& whyNot);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_INSTALL_H_
