#include "platform/shell.h"

#include <unistd.h>

#include <string_view>

#include "os/install_layout.h"
#include "platform/utf8.h"

namespace tellwick {
namespace {

constexpr const char* kShellPath = "/bin/bash";
constexpr std::string_view kLocaleEntry = "LC_ALL=en_US.UTF-8";

// The tools' output is parsed, so their number and text formats must not
// follow whatever locale the user runs the helper in. The installation's own
// tools come first on PATH: a helper started by the bus gets a bare PATH
// that does not hold them.
std::vector<std::string> shellEnvironment() {
  std::vector<std::string> environment;
  std::optional<std::string_view> path;
  for (char** entry = ::environ; entry && *entry; ++entry) {
    std::string_view e(*entry);
    if (e.starts_with("PATH=")) {
      path = e.substr(5);
    } else if (!e.starts_with("LC_ALL=")) {
      environment.emplace_back(e);
    }
  }
  environment.emplace_back(kLocaleEntry);
  environment.push_back("PATH=" + os::pathWithToolDirectory(path, os::installedToolDirectory()));
  return environment;
}

}  // namespace

std::optional<std::string> Shell::run(os::ProcessRunner& runner,
                                      const std::vector<std::string>& arguments) {
  std::vector<std::string> argv;
  argv.reserve(arguments.size() + 1);
  argv.emplace_back(kShellPath);
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runner.run(kShellPath, argv, shellEnvironment());
}

std::optional<std::string> Shell::runText(os::ProcessRunner& runner,
                                          const std::vector<std::string>& arguments) {
  auto bytes = run(runner, arguments);
  if (!bytes || !isValidUtf8(*bytes)) return std::nullopt;
  return bytes;
}

}  // namespace tellwick
