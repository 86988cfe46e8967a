#include "os/files/resource_bundle.h"

#include <errno.h>  // program_invocation_short_name

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tellwick::os {

std::string localizedString(const ResourceBundle& bundle, std::string_view table,
                            std::string_view key, std::string_view defaultValue) {
  if (auto text = bundle.localizedString(table, key)) return *text;
  if (!defaultValue.empty()) return std::string(defaultValue);
  return std::string(key);
}

std::string bundleDirectoryForExecutable(const std::string& executablePath) {
  std::filesystem::path prefix = std::filesystem::path(executablePath).parent_path().parent_path();
  return (prefix / "share" / "tellwick").string();
}

std::unique_ptr<ResourceBundle> requireBundle(Result<std::unique_ptr<ResourceBundle>> opened) {
  if (opened) return std::move(*opened);
  // The installation is broken; nothing sensible can be answered without the
  // catalogue and texts, so say where we looked and stop.
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, opened.error().c_str());
  std::fflush(stderr);
  std::_Exit(kMissingBundleExitCode);
}

}  // namespace tellwick::os
