#ifndef TELLWICK_PROTOCOL_TELLWICK_H_
#define TELLWICK_PROTOCOL_TELLWICK_H_

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <string_view>

#include "os/bus/bus_names.h"
#include "os/bus/notification_center.h"
#include "os/bus/session_bus.h"
#include "os/desktop/desktop.h"
#include "os/desktop/http_client.h"
#include "os/files/file_system.h"
#include "os/result.h"
#include "os/store/property_list_coder.h"
#include "protocol/helper_notifications.h"

namespace tellwick {

// The published version manifest: a JSON object whose "version" is a string.
struct ServerVersion {
  std::string version;
};

// The result of an update check, coded under "isUpdateAvailable" and
// "serverVersion".
struct UpdateInfo {
  bool isUpdateAvailable = false;
  std::string serverVersion;
  bool operator==(const UpdateInfo&) const = default;
};

// UpdateInfo as a JSON object under its coding keys.
std::string updateInfoJson(const UpdateInfo& info);

// What the client-side operations run on. Nothing here is owned; every
// referenced object must outlive the operations, including the futures of
// the asynchronous ones.
struct TellwickContext {
  os::FileSystem& files;
  os::BusNames& names;
  os::NotificationCenter& center;
  os::Desktop& desktop;
  os::HttpClient& http;
  os::PropertyListCoder& coder;
  std::string installLocation;  // the installation's share/tellwick folder
  std::string updateOrigin;     // "https://host[:port]", as httpsOrigin gives it
  std::string website;          // the helper's web page
};

// The client side of the installation: is the helper installed, does it
// run, which version, is a newer one published; start it, stop it, show
// its web page. Stateless; the immediate operations may be called from any
// thread the context's objects allow.
struct Tellwick {
  Tellwick() = delete;

  static constexpr std::string_view bundleIdentifier = kHelperBusName;
  static constexpr std::string_view versionKey = "CFBundleShortVersionString";
  static constexpr std::string_view manifestPath = "/files/helper.json";
  static constexpr std::string_view fallbackVersion = "0.0.0";

  // The share/tellwick folder of the prefix this library was built for.
  static std::string defaultInstallLocation();
  // The update origin: the built-in one when fromEnvironment is null or
  // empty, else fromEnvironment, which must be an https:// origin.
  static os::Result<std::string> updateOrigin(const char* fromEnvironment);
  static std::string defaultWebsite();

  // Whether anything exists at the install location.
  static bool isInstalled(const TellwickContext& context);
  // Whether the helper's bus name has an owner.
  static bool isRunning(const TellwickContext& context);
  // "CFBundleShortVersionString" of the installation's Info.plist (XML or
  // binary); nullopt when not installed or the list is unreadable, not a
  // property list, not a dictionary at the top or holds no such string.
  static std::optional<std::string> installedVersion(const TellwickContext& context);
  // When installed and not running, asks the bus to start the helper and
  // returns at once; otherwise nothing.
  static void launch(const TellwickContext& context);
  // Posts "TerminateHelper".
  static void terminate(const TellwickContext& context);
  // Opens the web page when it is a valid address; otherwise nothing.
  static void openWebsite(const TellwickContext& context);

  // Fetches the manifest on a worker thread: its "version", or "0.0.0" when
  // the body is not such a manifest, whatever the HTTP status; fails with
  // the transport's reason.
  static std::future<os::Result<std::string>> fetchServerVersion(const TellwickContext& context);
  // fetchServerVersion, then: no installed version gives no update and
  // "0.0.0"; otherwise an update is available when the server's text orders
  // after the installed one (numericOrder).
  static std::future<os::Result<UpdateInfo>> checkForUpdate(const TellwickContext& context);

  // launch through bus's names, then waits on bus (whose notification
  // center must be the context's) until the helper posts "HelperStarted".
  // Success at once when it already runs; fails saying why when it is not
  // installed, as soon as the bus says it cannot start it, or when it does
  // not announce itself within timeout. On the bus's thread.
  static os::Status launchAndWait(const TellwickContext& context, os::SessionBus& bus,
                                  std::chrono::milliseconds timeout);
};

// The version a manifest body gives: its string "version", else "0.0.0".
std::string versionFromManifest(std::string_view body);

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_TELLWICK_H_
