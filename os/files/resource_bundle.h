#ifndef TELLWICK_OS_FILES_RESOURCE_BUNDLE_H_
#define TELLWICK_OS_FILES_RESOURCE_BUNDLE_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "os/result.h"

namespace tellwick::os {

// The read-only data that ships with the installation: named resource files
// (the sensor catalogues) and string tables of localized texts. Every method
// may be called from any thread.
class ResourceBundle {
 public:
  ResourceBundle() = default;
  ResourceBundle(const ResourceBundle&) = delete;
  ResourceBundle& operator=(const ResourceBundle&) = delete;
  virtual ~ResourceBundle() = default;

  // Where the bundle lives (a directory for the installed bundle), for
  // messages only.
  virtual std::string location() const = 0;

  // The location of the resource called name.extension, or nullopt when the
  // bundle has none (or name would leave the bundle). A location, once
  // resolved, is remembered for the life of the bundle object.
  virtual std::optional<std::string> pathForResource(std::string_view name,
                                                     std::string_view extension) const = 0;

  // Every byte of the resource at path (as returned by pathForResource), read
  // anew on each call; nullopt when it cannot be read.
  virtual std::optional<std::string> readResource(const std::string& path) const = 0;

  // The text for key in the string table called table; nullopt when the table
  // is missing or damaged or has no text for key.
  virtual std::optional<std::string> localizedString(std::string_view table,
                                                     std::string_view key) const = 0;
};

// A lookup with the platform's fallback: the translation when there is one,
// else defaultValue when it is not empty, else the key itself.
std::string localizedString(const ResourceBundle& bundle, std::string_view table,
                            std::string_view key, std::string_view defaultValue = {});

// Opens the bundle kept in directory: resources are directory/<name>.<ext>,
// string tables directory/Localizable/<table>.strings (a JSON object of key to
// text). Fails, with a reason that names the directory, when directory is not
// a readable directory.
Result<std::unique_ptr<ResourceBundle>> newLinuxResourceBundle(const std::string& directory);

// <prefix>/share/tellwick for an executable at <prefix>/bin/<program>: the
// layout of both an installation and the build tree.
std::string bundleDirectoryForExecutable(const std::string& executablePath);

// Exit status of a process whose installation lacks its resource bundle
// (sysexits' EX_OSFILE: a file the installation needs is missing).
inline constexpr int kMissingBundleExitCode = 72;

// The bundle opened; when opening failed, writes one line with the reason to
// standard error and ends the process with kMissingBundleExitCode. For
// program entries only.
std::unique_ptr<ResourceBundle> requireBundle(Result<std::unique_ptr<ResourceBundle>> opened);

// The installation's bundle, located once per process from the running
// executable (/proc/self/exe); fatal, as requireBundle, when it is missing.
// Lives until the process ends. For program entries only: everything below
// them is handed its bundle.
const ResourceBundle& installedBundle();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_FILES_RESOURCE_BUNDLE_H_
