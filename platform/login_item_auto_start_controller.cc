#include "platform/login_item_auto_start_controller.h"

#include <set>
#include <vector>

namespace tellwick {
namespace {

// An autostart entry is a few hundred bytes; a larger file is not one.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;
constexpr std::string_view kSuffix = ".desktop";

}  // namespace

LoginItemAutoStartController::LoginItemAutoStartController(
    std::string starterIdentifier, std::optional<std::string> bundleIdentifier, AutoStartFolders folders,
    std::string program, os::FileSystem& files, os::BusNames& names, os::NotificationCenter& center)
    : starterIdentifier_(std::move(starterIdentifier)),
      bundleIdentifier_(std::move(bundleIdentifier)),
      folders_(std::move(folders)),
      program_(std::move(program)),
      files_(files),
      names_(names),
      center_(center) {}

bool LoginItemAutoStartController::isEnabled() {
  std::vector<std::string> folders;
  if (!folders_.user.empty()) folders.push_back(folders_.user);
  folders.insert(folders.end(), folders_.system.begin(), folders_.system.end());
  std::set<std::string> seen;
  for (const auto& folder : folders) {
    // A folder that is missing or cannot be read adds no jobs.
    auto names = files_.listFolder(folder);
    if (!names) continue;
    for (const auto& id : *names) {
      if (!id.ends_with(kSuffix) || !seen.insert(id).second) continue;
      if (id.find(starterIdentifier_) == std::string::npos) continue;
      auto text = files_.readFile(folder + "/" + id, kMaxEntryBytes);
      if (!text) continue;
      auto entry = parseDesktopEntry(*text);
      if (!entry) continue;
      return isAutoStartEnabled(*entry);
    }
  }
  return false;
}

void LoginItemAutoStartController::retireStarter() {
  if (names_.nameHasOwner(starterIdentifier_)) center_.post("killme", bundleIdentifier_);
}

void LoginItemAutoStartController::setEnabled(bool flag) {
  auto text = entryText(program_, flag);
  if (!text || folders_.user.empty() || starterIdentifier_.empty() ||
      starterIdentifier_.find('/') != std::string::npos) {
    return;
  }
  if (!files_.makeFolders(folders_.user).ok()) return;
  (void)files_.replaceFile(folders_.user + "/" + starterIdentifier_ + std::string(kSuffix), *text);
}

std::optional<std::string> LoginItemAutoStartController::entryText(const std::string& program,
                                                                   bool enabled) {
  auto exec = execValue(program);
  if (!exec) return std::nullopt;
  std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Tellwick\n"
      "Comment=Starts the Tellwick hardware helper at login\n"
      "Exec=" + *exec + "\n"
      "NoDisplay=true\n";
  text += enabled ? "X-GNOME-Autostart-enabled=true\n" : "X-GNOME-Autostart-enabled=false\nHidden=true\n";
  return text;
}

}  // namespace tellwick
