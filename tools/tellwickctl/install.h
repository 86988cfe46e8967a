#ifndef TELLWICK_TOOLS_TELLWICKCTL_INSTALL_H_
#define TELLWICK_TOOLS_TELLWICKCTL_INSTALL_H_

// tellwickctl's installation commands: status, launch, update, website and
// autostart. Each entry function takes the arguments after the command name
// and returns the exit status; the run functions below do the work on
// seams handed in, so that tests can drive them.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/bus/session_bus.h"
#include "platform/auto_start_controller.h"
#include "protocol/tellwick.h"

namespace tellwick::ctl {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNotChanged = 1;
inline constexpr int kExitNoHelper = 2;
inline constexpr int kExitNoManifest = 3;
inline constexpr int kExitBadArguments = 64;

// Starts the installed helper through the bus (D-Bus activation) and waits
// up to timeout for it to announce itself; why not when it is not installed,
// cannot be started or stays silent. What a category request does when no
// helper is running.
os::Status launchInstalledHelper(os::SessionBus& bus, std::chrono::milliseconds timeout);

int statusCommand(const std::vector<std::string>& arguments);
int launchCommand(const std::vector<std::string>& arguments);
int updateCommand(const std::vector<std::string>& arguments);
int websiteCommand(const std::vector<std::string>& arguments);
int autostartCommand(const std::vector<std::string>& arguments);

// What an installation command was asked to do.
struct InstallOptions {
  enum class Via { xdg, systemd };
  enum class Autostart { on, off, status };
  bool help = false;  // -h or --help: print the usage and stop
  bool json = false;
  std::chrono::milliseconds timeout{10'000};
  Via via = Via::xdg;
  Autostart autostart = Autostart::status;
};

// The options of command (one of the five names) from its arguments, or a
// one-line reason why they are not acceptable.
struct ParsedInstallOptions {
  std::optional<InstallOptions> options;
  std::string error;
};
ParsedInstallOptions parseInstallOptions(std::string_view command, const std::vector<std::string>& arguments);

// What a command prints on standard output and standard error, and its
// exit status.
struct Outcome {
  std::string out;
  std::string err;
  int status = kExitDone;
};

Outcome runStatus(const InstallOptions& options, const TellwickContext& context);
Outcome runLaunch(const InstallOptions& options, const TellwickContext& context, os::SessionBus& bus);
Outcome runUpdate(const InstallOptions& options, const TellwickContext& context);
Outcome runWebsite(const TellwickContext& context);
// whyNot gives one line on what kept an on or off from taking effect.
Outcome runAutostart(const InstallOptions& options, IAutoStartController& controller,
                     const std::function<std::string()>& whyNot);

extern const char* const kInstallUsage;

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_INSTALL_H_
