#include "platform/desktop_entry.h"

#include "os/utf8.h"

namespace tellwick {
namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

bool isKeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// A key, optionally with a [locale] suffix.
bool isKey(std::string_view key) {
  auto bracket = key.find('[');
  std::string_view name = key.substr(0, bracket);
  if (name.empty()) return false;
  for (char c : name) {
    if (!isKeyCharacter(c)) return false;
  }
  return bracket == std::string_view::npos || (key.back() == ']' && key.size() > bracket + 2);
}

std::string configHome(const std::function<std::optional<std::string>(const char*)>& environment) {
  auto config = environment("XDG_CONFIG_HOME");
  if (config && config->starts_with('/')) return *config;
  auto home = environment("HOME");
  if (home && home->starts_with('/')) return *home + "/.config";
  return {};
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text) {
  if (!isValidUtf8(text)) return std::nullopt;
  DesktopEntry entry;
  enum { before, inEntry, afterEntry } where = before;
  while (!text.empty()) {
    auto newline = text.find('\n');
    std::string_view line = trimmed(text.substr(0, newline));
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return std::nullopt;
      if (where == before) {
        if (line != "[Desktop Entry]") return std::nullopt;
        where = inEntry;
      } else {
        where = afterEntry;
      }
      continue;
    }
    auto equals = line.find('=');
    if (where == before || equals == std::string_view::npos) return std::nullopt;
    std::string_view key = trimmed(line.substr(0, equals));
    if (!isKey(key)) return std::nullopt;
    if (where == inEntry) entry.emplace(std::string(key), std::string(trimmed(line.substr(equals + 1))));
  }
  if (where == before) return std::nullopt;
  return entry;
}

bool isAutoStartEnabled(const DesktopEntry& entry) {
  auto hidden = entry.find("Hidden");
  if (hidden != entry.end() && hidden->second == "true") return false;
  auto enabled = entry.find("X-GNOME-Autostart-enabled");
  return enabled == entry.end() || enabled->second != "false";
}

std::optional<std::string> execValue(std::string_view program) {
  if (program.empty() || program.front() != '/') return std::nullopt;
  constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";
  bool quote = false;
  for (unsigned char c : program) {
    if (c < 0x20 || c == 0x7f) return std::nullopt;
    if (kReserved.find(static_cast<char>(c)) != std::string_view::npos) quote = true;
  }
  if (!isValidUtf8(program)) return std::nullopt;
  std::string argument;
  if (quote) argument += '"';
  for (char c : program) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
    argument += c;
  }
  if (quote) argument += '"';
  // The value is a string first: its own backslashes are escaped, and a
  // percent sign would start a field code.
  std::string value;
  for (char c : argument) {
    if (c == '\\') value += '\\';
    if (c == '%') value += '%';
    value += c;
  }
  return value;
}

AutoStartFolders autoStartFolders(
    const std::function<std::optional<std::string>(const char*)>& environment) {
  AutoStartFolders folders;
  if (std::string home = configHome(environment); !home.empty()) folders.user = home + "/autostart";
  auto dirs = environment("XDG_CONFIG_DIRS");
  std::string_view list = dirs && !dirs->empty() ? std::string_view(*dirs) : "/etc/xdg";
  while (!list.empty()) {
    auto colon = list.find(':');
    std::string_view dir = list.substr(0, colon);
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
    if (dir.starts_with('/')) folders.system.push_back(std::string(dir == "/" ? "" : dir) + "/autostart");
  }
  return folders;
}

std::string userUnitFolder(const std::function<std::optional<std::string>(const char*)>& environment) {
  std::string home = configHome(environment);
  return home.empty() ? home : home + "/systemd/user";
}

}  // namespace tellwick
