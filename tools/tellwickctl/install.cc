#include "tools/tellwickctl/install.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "os/bus/bus_names.h"
#include "os/desktop/desktop.h"
#include "os/desktop/http_client.h"
#include "os/desktop/unit_files.h"
#include "os/files/file_system.h"
#include "os/process/process_runner.h"
#include "os/store/property_list_coder.h"
#include "os/utf8.h"
#include "platform/desktop_entry.h"
#include "platform/login_item_auto_start_controller.h"
#include "platform/main_app_auto_start_controller.h"
#include "tools/tellwickctl/exit_codes.h"
#include "tools/tellwickctl/table.h"

namespace tellwick::ctl {
namespace {

using Json = nlohmann::ordered_json;

// The autostart entry's name, as the installation's template is named too.
const std::string kStarterIdentifier = std::string(kHelperBusName) + ".starter";
constexpr const char* kUnit = "tellwick.service";

std::optional<std::string> lookup(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

// Where there is no bus, nothing hears a post; the XDG entry still works.
class NoNotificationCenter final : public os::NotificationCenter {
 public:
  void addObserver(const void*, const std::string&, const std::optional<std::string>&, Handler) override {}
  void removeObserver(const void*, const std::string&) override {}
  void post(const std::string&, const std::optional<std::string>&) override {}
};

// Stands in for a bus that could not be reached: nothing owns a name and
// nothing can be started, for the reason given.
class UnreachableBusNames final : public os::BusNames {
 public:
  explicit UnreachableBusNames(std::string reason) : reason_(std::move(reason)) {}
  bool nameHasOwner(const std::string&) override { return false; }
  os::Status startService(const std::string&, StartReply) override { return os::failure(reason_); }

 private:
  std::string reason_;
};

class UnreachableUnitFiles final : public os::UnitFileManager {
 public:
  explicit UnreachableUnitFiles(std::string reason) : reason_(std::move(reason)) {}
  os::Result<std::optional<std::string>> unitFileState(const std::string&) override {
    return os::failure(reason_);
  }
  os::Status enableUnitFiles(const std::vector<std::string>&) override { return os::failure(reason_); }
  os::Status disableUnitFiles(const std::vector<std::string>&) override { return os::failure(reason_); }
  os::Status reload() override { return os::failure(reason_); }

 private:
  std::string reason_;
};

// The real seams of one command run; the composition root of these
// commands. The names and the notification center are the session bus's,
// or stand-ins that say why there is none.
struct RealSeams {
  std::unique_ptr<os::FileSystem> files = os::newLinuxFileSystem();
  std::unique_ptr<os::ProcessRunner> runner = os::newLinuxProcessRunner();
  std::unique_ptr<os::Desktop> desktop;
  std::unique_ptr<os::HttpClient> http = os::newLinuxHttpClient();
  std::unique_ptr<os::PropertyListCoder> coder = os::newLinuxPropertyListCoder();
  os::SessionBus* bus = nullptr;
  std::string busError;  // why there is no bus
  UnreachableBusNames noNames{busError};
  NoNotificationCenter noCenter;

  RealSeams(const std::vector<std::string>& environment, const os::Result<os::SessionBus*>& connected)
      : desktop(os::newLinuxDesktop(*runner, environment)),
        bus(connected ? *connected : nullptr),
        busError(connected ? "" : connected.error()) {}
  explicit RealSeams(Context& io) : RealSeams(io.environment, io.bus()) {}

  os::BusNames& names() { return bus ? bus->names() : noNames; }
  os::NotificationCenter& center() { return bus ? bus->notificationCenter() : noCenter; }

  TellwickContext context(std::string origin = {}) {
    return TellwickContext{*files, names(), center(), *desktop, *http, *coder,
                           Tellwick::defaultInstallLocation(), std::move(origin), Tellwick::defaultWebsite()};
  }
};

// A version from a file or a server, fit to show on one line: printable and
// at most kShownVersion characters, the rest elided.
constexpr std::size_t kShownVersion = 64;
std::string shown(const std::string& version) {
  std::string text = printableText(version.substr(0, kShownVersion * 4));
  std::size_t characters = 0, end = 0;
  for (; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && ++characters > kShownVersion) break;
  }
  return end < text.size() ? text.substr(0, end) + "…" : text;
}

std::string versionText(const std::optional<std::string>& version) { return version ? shown(*version) : "unknown"; }

}  // namespace

int runStatus(Context& io, const Options& options, const TellwickContext& context) {
  bool installed = Tellwick::isInstalled(context);
  bool running = Tellwick::isRunning(context);
  auto version = Tellwick::installedVersion(context);
  if (options.json) {
    Json json;
    json["installed"] = installed;
    json["running"] = running;
    json["installedVersion"] = version ? Json(*version) : Json(nullptr);
    io.out << jsonText(json, -1);
    return kExitOk;
  }
  std::string out = "installed: ";
  out += installed ? "yes (" + context.installLocation + ")\n" : "no (nothing at " + context.installLocation + ")\n";
  out += std::string("running: ") + (running ? "yes" : "no") + "\n";
  out += "version: " + versionText(version) + "\n";
  io.out << out;
  return kExitOk;
}

int runLaunch(Context& io, const Options& options, const TellwickContext& context, os::SessionBus& bus) {
  if (Tellwick::isRunning(context)) {
    io.out << "the helper is already running\n";
    return kExitOk;
  }
  auto launched = Tellwick::launchAndWait(context, bus, options.timeout);
  if (!launched) {
    io.err << "tellwickctl: cannot launch the helper: " << launched.error() << "\n";
    return kExitNoAnswer;
  }
  io.out << "the helper is running\n";
  return kExitOk;
}

int runUpdate(Context& io, const Options& options, const TellwickContext& context) {
  auto checked = Tellwick::checkForUpdate(context).get();
  if (!checked) {
    io.err << "tellwickctl: cannot fetch the update manifest from " << context.updateOrigin << ": "
           << checked.error() << "\n";
    return kExitNoManifest;
  }
  if (options.json) {
    io.out << updateInfoJson(*checked) << "\n";
    return kExitOk;
  }
  auto installed = Tellwick::installedVersion(context);
  std::string out = "installed version: " + (installed ? shown(*installed) : std::string("not installed")) + "\n";
  out += "server version: " + shown(checked->serverVersion) + "\n";
  out += std::string("update available: ") + (checked->isUpdateAvailable ? "yes" : "no") + "\n";
  io.out << out;
  return kExitOk;
}

int runWebsite(Context& io, const TellwickContext& context) {
  if (!os::isWebAddress(context.website)) {
    io.err << "tellwickctl: the web page address '" << context.website << "' is not valid\n";
    return kExitNotChanged;
  }
  // Printed as well, for a session without a browser.
  io.out << context.website << "\n";
  if (auto opened = context.desktop.open(context.website); !opened) {
    io.err << "tellwickctl: " << opened.error() << "\n";
    return kExitNotChanged;
  }
  return kExitOk;
}

int runAutostart(Context& io, AutostartAction action, IAutoStartController& controller,
                 const std::function<std::string()>& whyNot) {
  if (action != AutostartAction::status) controller.setEnabled(action == AutostartAction::on);
  bool enabled = controller.isEnabled();
  io.out << (enabled ? "enabled\n" : "disabled\n");
  if (action != AutostartAction::status && enabled != (action == AutostartAction::on)) {
    io.err << "tellwickctl: autostart is still " << (enabled ? "enabled" : "disabled") << ": " << whyNot() << "\n";
    return kExitNotChanged;
  }
  return kExitOk;
}

os::Status launchInstalledHelper(os::SessionBus& bus, std::chrono::milliseconds timeout) {
  RealSeams seams({}, &bus);
  TellwickContext context = seams.context();
  if (!Tellwick::isInstalled(context)) return os::failure("it is not installed");
  return Tellwick::launchAndWait(context, *seams.bus, timeout);
}

namespace {

// The commands below take no words after their name but autostart's one.
int statusCommand(Context& io, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(io, line, "status does not take '" + line.words[1] + "'");
  RealSeams seams(io);
  return runStatus(io, line.options, seams.context());
}

int launchCommand(Context& io, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(io, line, "launch does not take '" + line.words[1] + "'");
  RealSeams seams(io);
  if (!seams.bus) {
    io.err << "tellwickctl: cannot launch the helper: " << seams.busError << "\n";
    return kExitNoAnswer;
  }
  return runLaunch(io, line.options, seams.context(), *seams.bus);
}

int updateCommand(Context& io, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(io, line, "update does not take '" + line.words[1] + "'");
  auto origin = Tellwick::updateOrigin(std::getenv("TELLWICK_UPDATE_ORIGIN"));
  if (!origin) return refuse(io, line, origin.error());
  RealSeams seams(io);
  return runUpdate(io, line.options, seams.context(*origin));
}

int websiteCommand(Context& io, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(io, line, "website does not take '" + line.words[1] + "'");
  RealSeams seams(io);
  return runWebsite(io, seams.context());
}

int autostartCommand(Context& io, const CommandLine& line) {
  const auto& words = line.words;
  if (words.size() != 2 || (words[1] != "on" && words[1] != "off" && words[1] != "status")) {
    return refuse(io, line, "autostart needs one of on, off or status");
  }
  const AutostartAction action = words[1] == "on"    ? AutostartAction::on
                                 : words[1] == "off" ? AutostartAction::off
                                                     : AutostartAction::status;
  RealSeams seams(io);
  auto folders = autoStartFolders(lookup);
  LoginItemAutoStartController loginItem(kStarterIdentifier, std::string(Tellwick::bundleIdentifier), folders,
                                         TELLWICK_INSTALLED_HELPER, *seams.files, seams.names(), seams.center());
  if (line.options.via == Options::Via::xdg) {
    return runAutostart(io, action, loginItem, [&] {
      if (folders.user.empty()) return std::string("neither XDG_CONFIG_HOME nor HOME is set");
      return "could not write " + folders.user + "/" + kStarterIdentifier + ".desktop";
    });
  }
  auto opened = os::newLinuxUnitFileManager();
  std::unique_ptr<os::UnitFileManager> manager =
      opened ? std::move(*opened) : std::make_unique<UnreachableUnitFiles>(opened.error());
  std::string unitFolder = userUnitFolder(lookup);
  MainAppAutoStartController controller(kUnit, *manager, loginItem, *seams.desktop, unitFolder);
  // Turning the unit on retires an enabled autostart entry first, so the
  // helper is not started twice at login.
  if (action == AutostartAction::on) controller.retireStarter();
  return runAutostart(io, action, controller, [&] {
    auto state = manager->unitFileState(kUnit);
    if (!state) return state.error();
    switch (statusForUnitFileState(*state)) {
      case AutoStartStatus::requiresApproval:
        return std::string(kUnit) + " is masked; unmask it (its link in " + unitFolder + " or /etc/systemd/user)";
      case AutoStartStatus::notFound:
        return std::string("the user's service manager knows no ") + kUnit;
      default:
        return std::string("the user's service manager did not change ") + kUnit;
    }
  });
}

}  // namespace

extern const Command kStatus, kLaunch, kUpdate, kWebsite, kAutostart;
const Command kStatus{"status", "[--json]", "Says whether the helper is installed and running, and its version.\n",
                      kJsonOption, &statusCommand};
const Command kLaunch{"launch", "[--timeout SECONDS]",
                      "Starts the installed helper through the bus and waits until it says it has started.\n",
                      kTimeoutOption, &launchCommand};
const Command kUpdate{"update", "[--json]",
                      "Compares the installed version with the one published at /files/helper.json\n"
                      "(TELLWICK_UPDATE_ORIGIN=https://host[:port] names another origin).\n",
                      kJsonOption, &updateCommand};
const Command kWebsite{"website", "", "Opens the helper's web page in the browser.\n", 0, &websiteCommand};
const Command kAutostart{"autostart", "on|off|status [--via xdg|systemd]",
                         "Starts the helper at login, or not, or says which; --via systemd uses the\n"
                         "systemd user unit instead of an autostart entry.\n",
                         kViaOption, &autostartCommand};

}  // namespace tellwick::ctl
