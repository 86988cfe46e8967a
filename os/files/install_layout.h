#ifndef TELLWICK_OS_FILES_INSTALL_LAYOUT_H_
#define TELLWICK_OS_FILES_INSTALL_LAYOUT_H_

#include <optional>
#include <string>
#include <string_view>

namespace tellwick::os {

// <prefix>/libexec/tellwick for an executable at <prefix>/bin/<program>: where
// an installation keeps the tools the helper runs (nettop, system_profiler),
// off the user's PATH.
std::string toolDirectoryForExecutable(const std::string& executablePath);

// The tool directory of the running executable, resolved once per process
// from /proc/self/exe; empty when the executable cannot be resolved. Any
// thread.
const std::string& installedToolDirectory();

// The PATH value the helper hands to its tools: toolDirectory first, then
// path (or a plain system PATH when the helper was started without one). An
// empty toolDirectory leaves path as it is; a toolDirectory already first is
// not repeated.
std::string pathWithToolDirectory(std::optional<std::string_view> path,
                                  std::string_view toolDirectory);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_FILES_INSTALL_LAYOUT_H_
