#ifndef TELLWICK_PLATFORM_DESKTOP_ENTRY_H_
#define TELLWICK_PLATFORM_DESKTOP_ENTRY_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellwick {

// The keys of a desktop entry's [Desktop Entry] group, values unescaped
// only as far as the file holds them. Pure functions; any thread.
using DesktopEntry = std::map<std::string, std::string, std::less<>>;

// The [Desktop Entry] group of text; nullopt when text is not UTF-8, does
// not begin (after comments and blank lines) with that group, or holds a
// line that is neither a comment, a group header nor a key=value pair.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text);

// Whether an autostart entry asks to be started: not Hidden=true and not
// X-GNOME-Autostart-enabled=false.
bool isAutoStartEnabled(const DesktopEntry& entry);

// program as the value of an Exec key: quoted when it holds a reserved
// character, with the escapes that quoting and the string type require;
// nullopt when program is empty, relative or holds a control character.
std::optional<std::string> execValue(std::string_view program);

// Where the autostart entries live: the user's folder
// (${XDG_CONFIG_HOME:-$HOME/.config}/autostart, empty when neither is set)
// and the system's (each of ${XDG_CONFIG_DIRS:-/etc/xdg} + /autostart, most
// important first). Relative entries are ignored, as the base directory
// rules require. environment looks a variable up.
struct AutoStartFolders {
  std::string user;
  std::vector<std::string> system;
};
AutoStartFolders autoStartFolders(
    const std::function<std::optional<std::string>(const char*)>& environment);

// The user's systemd unit folder, ${XDG_CONFIG_HOME:-$HOME/.config}/systemd/user;
// empty when neither variable is set.
std::string userUnitFolder(const std::function<std::optional<std::string>(const char*)>& environment);

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_DESKTOP_ENTRY_H_
