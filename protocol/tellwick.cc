#include "protocol/tellwick.h"

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "protocol/distributed_notifications.h"
#include "protocol/helper_notifications.h"
#include "protocol/version_order.h"

namespace tellwick {
namespace {

// An information property list is a few hundred bytes; anything near this
// is not one.
constexpr std::size_t kMaxInfoListBytes = 1 << 20;
constexpr std::size_t kMaxManifestBytes = 1 << 20;
constexpr std::chrono::seconds kFetchTimeout{10};

std::string infoListPath(const TellwickContext& context) {
  return context.installLocation + "/Info.plist";
}

os::Status requestLaunch(const TellwickContext& context, os::BusNames& names,
                         os::BusNames::StartReply replied) {
  if (!Tellwick::isInstalled(context)) {
    return os::failure("the helper is not installed (nothing at " + context.installLocation + ")");
  }
  return names.startService(std::string(Tellwick::bundleIdentifier), std::move(replied));
}

os::Result<std::string> fetchVersion(os::HttpClient& http, const std::string& origin) {
  os::HttpRequest request;
  request.url = origin + std::string(Tellwick::manifestPath);
  request.headers = {"Cache-Control: no-cache", "Pragma: no-cache"};
  request.timeout = kFetchTimeout;
  request.maxBodyBytes = kMaxManifestBytes;
  if (!os::isWebAddress(request.url)) {
    return os::failure("unsupported address: " + request.url);
  }
  auto response = http.get(request);
  if (!response) return os::failure(response.error());
  return versionFromManifest(response->body);
}

}  // namespace

std::string versionFromManifest(std::string_view body) {
  auto json = nlohmann::json::parse(body, nullptr, /*allow_exceptions=*/false);
  if (json.is_object()) {
    auto version = json.find("version");
    if (version != json.end() && version->is_string()) return version->get<std::string>();
  }
  return std::string(Tellwick::fallbackVersion);
}

std::string updateInfoJson(const UpdateInfo& info) {
  nlohmann::ordered_json json;
  json["isUpdateAvailable"] = info.isUpdateAvailable;
  json["serverVersion"] = info.serverVersion;
  return json.dump();
}

std::string Tellwick::defaultInstallLocation() { return TELLWICK_INSTALL_LOCATION; }

std::string Tellwick::defaultWebsite() { return TELLWICK_WEBSITE; }

os::Result<std::string> Tellwick::updateOrigin(const char* fromEnvironment) {
  if (!fromEnvironment || !*fromEnvironment) return std::string(TELLWICK_UPDATE_ORIGIN);
  auto origin = os::httpsOrigin(fromEnvironment);
  if (!origin) return os::failure("TELLWICK_UPDATE_ORIGIN: " + origin.error());
  return origin;
}

bool Tellwick::isInstalled(const TellwickContext& context) {
  return context.files.exists(context.installLocation);
}

bool Tellwick::isRunning(const TellwickContext& context) {
  return context.names.nameHasOwner(std::string(bundleIdentifier));
}

std::optional<std::string> Tellwick::installedVersion(const TellwickContext& context) {
  if (!isInstalled(context)) return std::nullopt;
  auto bytes = context.files.readFile(infoListPath(context), kMaxInfoListBytes);
  if (!bytes) return std::nullopt;
  auto decoded = context.coder.decode(
      {reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
  if (!decoded) return std::nullopt;
  const auto* top = decoded->get<os::PlistDictionary>();
  if (!top) return std::nullopt;
  const auto* version = os::findKey(*top, versionKey);
  if (!version || !version->is<std::string>()) return std::nullopt;
  return *version->get<std::string>();
}

void Tellwick::launch(const TellwickContext& context) {
  if (!isRunning(context)) (void)requestLaunch(context, context.names, nullptr);
}

void Tellwick::terminate(const TellwickContext& context) {
  DistributedNotifications::post(context.center, HelperNotifications::terminateHelper);
}

void Tellwick::openWebsite(const TellwickContext& context) {
  if (!os::isWebAddress(context.website)) return;
  (void)context.desktop.open(context.website);
}

std::future<os::Result<std::string>> Tellwick::fetchServerVersion(const TellwickContext& context) {
  return std::async(std::launch::async, [&http = context.http, origin = context.updateOrigin] {
    return fetchVersion(http, origin);
  });
}

std::future<os::Result<UpdateInfo>> Tellwick::checkForUpdate(const TellwickContext& context) {
  return std::async(std::launch::async, [context]() -> os::Result<UpdateInfo> {
    auto server = fetchVersion(context.http, context.updateOrigin);
    if (!server) return os::failure(server.error());
    auto installed = installedVersion(context);
    if (!installed) return UpdateInfo{false, std::string(fallbackVersion)};
    return UpdateInfo{numericOrder(*server, *installed) > 0, *server};
  });
}

os::Status Tellwick::launchAndWait(const TellwickContext& context, os::SessionBus& bus,
                                   std::chrono::milliseconds timeout) {
  bool started = false;
  // The bus's answer may come after the wait is over; it must still find
  // where to go.
  auto refused = std::make_shared<std::optional<std::string>>();
  // Observed before asking, so an announcement cannot slip past.
  DistributedNotifications::addObserver(context.center, &started, HelperNotifications::helperStarted,
                                        [&started](const os::Notification&) { started = true; });
  bus.flush();
  os::Status outcome;
  if (bus.names().nameHasOwner(std::string(bundleIdentifier))) {
    started = true;
  } else {
    // A start the bus refuses (no such program, a masked unit) is said at
    // once rather than after the whole wait.
    outcome = requestLaunch(context, bus.names(), [refused](const os::Status& answer) {
      if (!answer) *refused = answer.error();
    });
  }
  if (outcome.ok() && !bus.runUntil([&] { return started || refused->has_value(); }, timeout)) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g s", static_cast<double>(timeout.count()) / 1000.0);
    outcome = os::failure(std::string("the helper did not announce that it started within ") + seconds);
  }
  if (!started && refused->has_value()) outcome = os::failure("the session bus cannot start it: " + **refused);
  DistributedNotifications::removeObserver(context.center, &started, HelperNotifications::helperStarted);
  return outcome;
}

}  // namespace tellwick
