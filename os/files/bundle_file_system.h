#ifndef TELLWICK_OS_FILES_BUNDLE_FILE_SYSTEM_H_
#define TELLWICK_OS_FILES_BUNDLE_FILE_SYSTEM_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tellwick::os {

// The folders, files and bundle directories where the system keeps its
// product pictures. Every method may be called from any thread; none fails
// loudly: what cannot be read is absent.
class BundleFileSystem {
 public:
  BundleFileSystem() = default;
  BundleFileSystem(const BundleFileSystem&) = delete;
  BundleFileSystem& operator=(const BundleFileSystem&) = delete;
  virtual ~BundleFileSystem() = default;

  // Paths of the regular files below folder, recursively, sorted; hidden
  // entries are skipped and packages (directories whose name has an
  // extension, such as "Foo.bundle") are not entered. At most maxEntries
  // paths; empty when folder cannot be read.
  virtual std::vector<std::string> listFiles(const std::string& folder, std::size_t maxEntries) = 0;

  // The file's bytes; nullopt when it cannot be read or is larger than
  // maxBytes.
  virtual std::optional<std::string> readFile(const std::string& path, std::size_t maxBytes) = 0;

  // Whether path is a regular file that can be read.
  virtual bool isReadableFile(const std::string& path) = 0;

  // The file of the resource called name in the bundle directory at bundle
  // (looked for in Contents/Resources, Resources and the top level, as given
  // and with the usual image extensions); nullopt when the bundle cannot be
  // opened or has no such resource.
  virtual std::optional<std::string> bundleResource(const std::string& bundle,
                                                    const std::string& name) = 0;

  // Whether a bundle directory can be opened at path.
  virtual bool canOpenBundle(const std::string& path) = 0;
};

std::unique_ptr<BundleFileSystem> newLinuxBundleFileSystem();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_FILES_BUNDLE_FILE_SYSTEM_H_
