#include "os/files/install_layout.h"

#include <unistd.h>

#include <filesystem>

namespace tellwick::os {
namespace {

// What execvp falls back to as well, when PATH is unset.
constexpr std::string_view kSystemPath = "/usr/local/bin:/usr/bin:/bin";

}  // namespace

std::string toolDirectoryForExecutable(const std::string& executablePath) {
  std::filesystem::path prefix = std::filesystem::path(executablePath).parent_path().parent_path();
  return (prefix / TELLWICK_TOOL_SUBDIRECTORY).string();
}

const std::string& installedToolDirectory() {
  static const std::string kDirectory = [] {
    std::string path(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return std::string();
    path.resize(static_cast<std::size_t>(n));
    return toolDirectoryForExecutable(path);
  }();
  return kDirectory;
}

std::string pathWithToolDirectory(std::optional<std::string_view> path,
                                  std::string_view toolDirectory) {
  std::string_view rest = path.value_or(kSystemPath);
  if (toolDirectory.empty()) return std::string(rest);
  std::string first(toolDirectory);
  if (rest == toolDirectory || rest.starts_with(first + ":")) return std::string(rest);
  // An empty PATH entry means the current directory to a shell; keep the
  // tool directory from becoming that by accident.
  return rest.empty() ? first : first + ":" + std::string(rest);
}

}  // namespace tellwick::os
