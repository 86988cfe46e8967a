#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "os/files/bundle_file_system.h"
#include "os/posix_file.h"

namespace tellwick::os {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxDepth = 16;

bool isPackage(const fs::path& directory) { return directory.filename().has_extension(); }

class LinuxBundleFileSystem final : public BundleFileSystem {
 public:
  std::vector<std::string> listFiles(const std::string& folder, std::size_t maxEntries) override {
    std::vector<std::string> out;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
      const fs::path& path = it->path();
      std::error_code statError;
      const bool directory = it->is_directory(statError);
      if (path.filename().string().starts_with('.') ||
          (directory && (isPackage(path) || it.depth() >= kMaxDepth))) {
        if (directory) it.disable_recursion_pending();
        continue;
      }
      if (it->is_regular_file(statError)) {
        out.push_back(path.string());
        if (out.size() >= maxEntries) break;
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  std::optional<std::string> readFile(const std::string& path, std::size_t maxBytes) override {
    // Not blocking on a FIFO or a device left among the pictures.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    auto bytes = readAll(file, path, maxBytes);
    if (!bytes) return std::nullopt;
    return std::move(*bytes);
  }

  bool isReadableFile(const std::string& path) override {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
  }

  std::optional<std::string> bundleResource(const std::string& bundle,
                                            const std::string& name) override {
    if (!canOpenBundle(bundle) || name.empty() || name.find('/') != std::string::npos ||
        name == "..") {
      return std::nullopt;
    }
    static const char* const kPlaces[] = {"Contents/Resources/", "Resources/", ""};
    static const char* const kExtensions[] = {"", ".icns", ".png", ".pdf", ".tiff"};
    for (const char* place : kPlaces) {
      for (const char* extension : kExtensions) {
        std::string candidate = bundle + "/" + place + name + extension;
        if (isReadableFile(candidate)) return candidate;
      }
    }
    return std::nullopt;
  }

  bool canOpenBundle(const std::string& path) override {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), R_OK | X_OK) == 0;
  }
};

}  // namespace

std::unique_ptr<BundleFileSystem> newLinuxBundleFileSystem() {
  return std::make_unique<LinuxBundleFileSystem>();
}

}  // namespace tellwick::os
