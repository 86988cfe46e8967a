#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/install.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "os/bus/bus_names.h"
#include "os/desktop/desktop.h"
#include "os/desktop/http_client.h"
#include "os/desktop/unit_files.h"
#include "os/files/file_system.h"
#include "os/store/property_list_coder.h"
#include "platform/desktop_entry.h"
#include "platform/login_item_auto_start_controller.h"
#include "platform/main_app_auto_start_controller.h"

namespace tellwick::ctl {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kStarterIdentifier = "com.quorvane.helper.starter";
constexpr const char* kUnit = "tellwick.service";

std::optional<std::chrono::milliseconds> parseSeconds(const std::string& text) {
  double seconds = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) || seconds <= 0 ||
      seconds > 86400) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

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
  os::Status startService(const std::string&) override { return os::failure(reason_); }

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
// commands.
struct RealSeams {
  std::unique_ptr<os::FileSystem> files = os::newLinuxFileSystem();
  std::unique_ptr<os::Desktop> desktop = os::newLinuxDesktop();
  std::unique_ptr<os::HttpClient> http = os::newLinuxHttpClient();
  std::unique_ptr<os::PropertyListCoder> coder = os::newLinuxPropertyListCoder();
  std::unique_ptr<os::BusNames> names;
  std::unique_ptr<os::SessionBus> bus;
  std::string busError;
  NoNotificationCenter noCenter;

  // The session bus is connected only by the commands that post or wait.
  explicit RealSeams(bool connectBus) {
    auto opened = os::newLinuxBusNames();
    names = opened ? std::move(*opened) : std::make_unique<UnreachableBusNames>(opened.error());
    if (!connectBus) return;
    auto connection = os::connectSessionBus();
    if (connection) {
      bus = std::move(connection).value();
    } else {
      busError = connection.error();
    }
  }

  TellwickContext context(std::string origin = {}) {
    os::NotificationCenter& center = bus ? bus->notificationCenter() : noCenter;
    return TellwickContext{*files, *names,  center, *desktop, *http, *coder, Tellwick::defaultInstallLocation(),
                           std::move(origin), Tellwick::defaultWebsite()};
  }
};

int emit(const Outcome& outcome) {
  std::fputs(outcome.out.c_str(), stdout);
  std::fflush(stdout);
  std::fputs(outcome.err.c_str(), stderr);
  return outcome.status;
}

int usage(const std::string& error) {
  std::fprintf(stderr, "tellwickctl: %s\n%s", error.c_str(), kInstallUsage);
  return kExitBadArguments;
}

int help() {
  std::fputs(kInstallUsage, stdout);
  return kExitDone;
}

std::string versionText(const std::optional<std::string>& version) { return version.value_or("unknown"); }

}  // namespace

const char* const kInstallUsage =
    "usage: tellwickctl status [--json]\n"
    "       tellwickctl launch [--timeout SECONDS]\n"
    "       tellwickctl update [--json]\n"
    "       tellwickctl website\n"
    "       tellwickctl autostart on|off|status [--via xdg|systemd]\n";

ParsedInstallOptions parseInstallOptions(std::string_view command, const std::vector<std::string>& arguments) {
  InstallOptions options;
  bool takesJson = command == "status" || command == "update";
  bool takesTimeout = command == "launch";
  bool isAutostart = command == "autostart";
  bool haveAction = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    auto valueOf = [&](const std::string& option) -> std::optional<std::string> {
      if (a.starts_with(option + "=")) return a.substr(option.size() + 1);
      if (i + 1 < arguments.size()) return arguments[++i];
      return std::nullopt;
    };
    if (a == "-h" || a == "--help") {
      options.help = true;
      return {options, {}};
    }
    if (a == "--json" && takesJson) {
      options.json = true;
    } else if (takesTimeout && (a == "--timeout" || a.starts_with("--timeout="))) {
      auto text = valueOf("--timeout");
      if (!text) return {std::nullopt, "--timeout needs a number of seconds"};
      auto timeout = parseSeconds(*text);
      if (!timeout) return {std::nullopt, "--timeout wants seconds between 0 and 86400, not '" + *text + "'"};
      options.timeout = *timeout;
    } else if (isAutostart && (a == "--via" || a.starts_with("--via="))) {
      auto via = valueOf("--via");
      if (via == "xdg") {
        options.via = InstallOptions::Via::xdg;
      } else if (via == "systemd") {
        options.via = InstallOptions::Via::systemd;
      } else {
        return {std::nullopt, "--via wants xdg or systemd"};
      }
    } else if (isAutostart && !haveAction && (a == "on" || a == "off" || a == "status")) {
      haveAction = true;
      options.autostart = a == "on"    ? InstallOptions::Autostart::on
                          : a == "off" ? InstallOptions::Autostart::off
                                       : InstallOptions::Autostart::status;
    } else {
      return {std::nullopt, std::string(command) + " does not take '" + a + "'"};
    }
  }
  if (isAutostart && !haveAction) return {std::nullopt, "autostart needs on, off or status"};
  return {options, {}};
}

Outcome runStatus(const InstallOptions& options, const TellwickContext& context) {
  bool installed = Tellwick::isInstalled(context);
  bool running = Tellwick::isRunning(context);
  auto version = Tellwick::installedVersion(context);
  if (options.json) {
    Json json;
    json["installed"] = installed;
    json["running"] = running;
    json["installedVersion"] = version ? Json(*version) : Json(nullptr);
    return {json.dump() + "\n", {}, kExitDone};
  }
  std::string out = "installed: ";
  out += installed ? "yes (" + context.installLocation + ")\n" : "no (nothing at " + context.installLocation + ")\n";
  out += std::string("running: ") + (running ? "yes" : "no") + "\n";
  out += "version: " + versionText(version) + "\n";
  return {out, {}, kExitDone};
}

Outcome runLaunch(const InstallOptions& options, const TellwickContext& context, os::SessionBus& bus) {
  if (Tellwick::isRunning(context)) return {"the helper is already running\n", {}, kExitDone};
  auto launched = Tellwick::launchAndWait(context, bus, options.timeout);
  if (!launched) return {{}, "tellwickctl: cannot launch the helper: " + launched.error() + "\n", kExitNoHelper};
  return {"the helper is running\n", {}, kExitDone};
}

Outcome runUpdate(const InstallOptions& options, const TellwickContext& context) {
  auto checked = Tellwick::checkForUpdate(context).get();
  if (!checked) {
    return {{},
            "tellwickctl: cannot fetch the update manifest from " + context.updateOrigin + ": " +
                checked.error() + "\n",
            kExitNoManifest};
  }
  if (options.json) return {updateInfoJson(*checked) + "\n", {}, kExitDone};
  auto installed = Tellwick::installedVersion(context);
  std::string out = "installed version: " + (installed ? *installed : std::string("not installed")) + "\n";
  out += "server version: " + checked->serverVersion + "\n";
  out += std::string("update available: ") + (checked->isUpdateAvailable ? "yes" : "no") + "\n";
  return {out, {}, kExitDone};
}

Outcome runWebsite(const TellwickContext& context) {
  if (!os::isWebAddress(context.website)) {
    return {{}, "tellwickctl: the web page address '" + context.website + "' is not valid\n", kExitNotChanged};
  }
  // Printed as well, for a session without a browser.
  Outcome outcome{context.website + "\n", {}, kExitDone};
  if (auto opened = context.desktop.open(context.website); !opened) {
    outcome.err = "tellwickctl: " + opened.error() + "\n";
    outcome.status = kExitNotChanged;
  }
  return outcome;
}

Outcome runAutostart(const InstallOptions& options, IAutoStartController& controller,
                     const std::function<std::string()>& whyNot) {
  using Autostart = InstallOptions::Autostart;
  if (options.autostart != Autostart::status) controller.setEnabled(options.autostart == Autostart::on);
  bool enabled = controller.isEnabled();
  Outcome outcome{enabled ? "enabled\n" : "disabled\n", {}, kExitDone};
  bool wanted = options.autostart == Autostart::on;
  if (options.autostart != Autostart::status && enabled != wanted) {
    outcome.err = "tellwickctl: autostart is still " + std::string(enabled ? "enabled" : "disabled") + ": " +
                  whyNot() + "\n";
    outcome.status = kExitNotChanged;
  }
  return outcome;
}

int statusCommand(const std::vector<std::string>& arguments) {
  auto parsed = parseInstallOptions("status", arguments);
  if (!parsed.options) return usage(parsed.error);
  if (parsed.options->help) return help();
  RealSeams seams(false);
  return emit(runStatus(*parsed.options, seams.context()));
}

os::Status launchInstalledHelper(os::SessionBus& bus, std::chrono::milliseconds timeout) {
  RealSeams seams(false);
  TellwickContext context{*seams.files, *seams.names, bus.notificationCenter(), *seams.desktop,
                          *seams.http, *seams.coder, Tellwick::defaultInstallLocation(), "",
                          Tellwick::defaultWebsite()};
  if (!Tellwick::isInstalled(context)) return os::failure("it is not installed");
  return Tellwick::launchAndWait(context, bus, timeout);
}

int launchCommand(const std::vector<std::string>& arguments) {
  auto parsed = parseInstallOptions("launch", arguments);
  if (!parsed.options) return usage(parsed.error);
  if (parsed.options->help) return help();
  RealSeams seams(true);
  if (!seams.bus) {
    std::fprintf(stderr, "tellwickctl: cannot launch the helper: %s\n", seams.busError.c_str());
    return kExitNoHelper;
  }
  return emit(runLaunch(*parsed.options, seams.context(), *seams.bus));
}

int updateCommand(const std::vector<std::string>& arguments) {
  auto parsed = parseInstallOptions("update", arguments);
  if (!parsed.options) return usage(parsed.error);
  if (parsed.options->help) return help();
  auto origin = Tellwick::updateOrigin(std::getenv("TELLWICK_UPDATE_ORIGIN"));
  if (!origin) {
    std::fprintf(stderr, "tellwickctl: %s\n", origin.error().c_str());
    return kExitBadArguments;
  }
  RealSeams seams(false);
  return emit(runUpdate(*parsed.options, seams.context(*origin)));
}

int websiteCommand(const std::vector<std::string>& arguments) {
  auto parsed = parseInstallOptions("website", arguments);
  if (!parsed.options) return usage(parsed.error);
  if (parsed.options->help) return help();
  RealSeams seams(false);
  return emit(runWebsite(seams.context()));
}

int autostartCommand(const std::vector<std::string>& arguments) {
  auto parsed = parseInstallOptions("autostart", arguments);
  if (!parsed.options) return usage(parsed.error);
  if (parsed.options->help) return help();
  const InstallOptions& options = *parsed.options;
  RealSeams seams(false);
  auto folders = autoStartFolders(lookup);
  LoginItemAutoStartController loginItem(kStarterIdentifier, std::string(Tellwick::bundleIdentifier), folders,
                                         TELLWICK_INSTALLED_HELPER, *seams.files, *seams.names, seams.noCenter);
  if (options.via == InstallOptions::Via::xdg) {
    return emit(runAutostart(options, loginItem, [&] {
      if (folders.user.empty()) return std::string("neither XDG_CONFIG_HOME nor HOME is set");
      return "could not write " + folders.user + "/" + kStarterIdentifier + ".desktop";
    }));
  }
  auto opened = os::newLinuxUnitFileManager();
  std::unique_ptr<os::UnitFileManager> manager =
      opened ? std::move(*opened) : std::make_unique<UnreachableUnitFiles>(opened.error());
  std::string unitFolder = userUnitFolder(lookup);
  MainAppAutoStartController controller(kUnit, *manager, loginItem, *seams.desktop, unitFolder);
  // Turning the unit on retires an enabled autostart entry first, so the
  // helper is not started twice at login.
  if (options.autostart == InstallOptions::Autostart::on) controller.retireStarter();
  return emit(runAutostart(options, controller, [&] {
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
  }));
}

extern const StandaloneCommand kStatus;
extern const StandaloneCommand kLaunch;
extern const StandaloneCommand kUpdate;
extern const StandaloneCommand kWebsite;
extern const StandaloneCommand kAutostart;
const StandaloneCommand kStatus{"status", "[--json]", &statusCommand};
const StandaloneCommand kLaunch{"launch", "[--timeout SECONDS]", &launchCommand};
const StandaloneCommand kUpdate{"update", "[--json]", &updateCommand};
const StandaloneCommand kWebsite{"website", "", &websiteCommand};
const StandaloneCommand kAutostart{"autostart", "on|off|status [--via xdg|systemd]",
                                   &autostartCommand};

}  // namespace tellwick::ctl
