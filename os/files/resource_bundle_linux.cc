#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "os/files/resource_bundle.h"
#include "os/posix_file.h"

namespace tellwick::os {
namespace {

// Catalogues and string tables are a few kilobytes; a file far larger is
// not one of ours.
constexpr std::size_t kMaxResourceBytes = 16 << 20;

std::optional<std::string> readResourceFile(const std::string& path) {
  auto bytes = readWholeFile(path, kMaxResourceBytes);
  if (!bytes) return std::nullopt;
  return std::move(*bytes);
}

using StringTable = std::unordered_map<std::string, std::string>;

// A damaged table must not take the program down: it translates nothing and
// every key falls back to its default.
StringTable parseStringTable(const std::optional<std::string>& bytes) {
  StringTable table;
  if (!bytes) return table;
  auto json = nlohmann::json::parse(*bytes, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object()) return table;
  for (const auto& [key, value] : json.items()) {
    if (value.is_string()) table.emplace(key, value.get<std::string>());
  }
  return table;
}

class LinuxResourceBundle final : public ResourceBundle {
 public:
  explicit LinuxResourceBundle(std::string directory) : directory_(std::move(directory)) {}

  std::string location() const override { return directory_; }

  std::optional<std::string> pathForResource(std::string_view name,
                                             std::string_view extension) const override {
    std::string file = std::string(name) + "." + std::string(extension);
    if (name.empty() || file.find('/') != std::string::npos) return std::nullopt;
    std::lock_guard lock(mutex_);
    auto [it, inserted] = paths_.try_emplace(file);
    if (inserted) {
      std::string path = directory_ + "/" + file;
      struct stat info;
      if (::stat(path.c_str(), &info) == 0) it->second = std::move(path);
    }
    return it->second;
  }

  std::optional<std::string> readResource(const std::string& path) const override {
    return readResourceFile(path);
  }

  std::optional<std::string> localizedString(std::string_view table,
                                             std::string_view key) const override {
    if (table.empty() || table.find('/') != std::string_view::npos) return std::nullopt;
    std::lock_guard lock(mutex_);
    auto [it, inserted] = tables_.try_emplace(std::string(table));
    if (inserted) {
      it->second = parseStringTable(
          readResourceFile(directory_ + "/Localizable/" + std::string(table) + ".strings"));
    }
    auto text = it->second.find(std::string(key));
    if (text == it->second.end()) return std::nullopt;
    return text->second;
  }

 private:
  const std::string directory_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, std::optional<std::string>> paths_;
  mutable std::map<std::string, StringTable, std::less<>> tables_;
};

std::optional<std::string> runningExecutable() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return std::nullopt;
  path.resize(static_cast<std::size_t>(n));
  return path;
}

}  // namespace

Result<std::unique_ptr<ResourceBundle>> newLinuxResourceBundle(const std::string& directory) {
  struct stat info;
  if (::stat(directory.c_str(), &info) != 0) {
    return failure(errnoMessage("resource bundle not found at " + directory, errno));
  }
  if (!S_ISDIR(info.st_mode)) {
    return failure("resource bundle not found at " + directory + ": not a directory");
  }
  if (::access(directory.c_str(), R_OK | X_OK) != 0) {
    return failure(errnoMessage("resource bundle at " + directory + " is not readable", errno));
  }
  return std::unique_ptr<ResourceBundle>(std::make_unique<LinuxResourceBundle>(directory));
}

const ResourceBundle& installedBundle() {
  // Deliberately never destroyed: lookups may still happen while static
  // objects are torn down at exit.
  static const ResourceBundle* const kBundle = [] {
    auto executable = runningExecutable();
    if (!executable) {
      return requireBundle(failure(errnoMessage(
                               "resource bundle not found: cannot resolve /proc/self/exe", errno)))
          .release();
    }
    return requireBundle(newLinuxResourceBundle(bundleDirectoryForExecutable(*executable)))
        .release();
  }();
  return *kBundle;
}

}  // namespace tellwick::os
