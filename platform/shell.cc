#include "platform/shell.h"

#include <string_view>

#include "os/files/install_layout.h"
#include "os/utf8.h"

namespace tellwick {
namespace {

constexpr const char* kShellPath = "/bin/bash";
constexpr std::string_view kLocaleEntry = "LC_ALL=en_US.UTF-8";

// The tools' output is parsed, so their number and text formats must not
// follow whatever locale the user runs the helper in.
std::vector<std::string> shellEnvironment(const std::vector<std::string>& inherited) {
  std::vector<std::string> environment;
  environment.reserve(inherited.size() + 1);
  for (const auto& entry : inherited) {
    if (!entry.starts_with("LC_ALL=")) environment.push_back(entry);
  }
  environment.emplace_back(kLocaleEntry);
  return environment;
}

std::vector<std::string> shellArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv;
  argv.reserve(arguments.size() + 1);
  argv.emplace_back(kShellPath);
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

}  // namespace

std::optional<std::string> Shell::run(os::ProcessRunner& runner,
                                      const std::vector<std::string>& environment,
                                      const std::vector<std::string>& arguments) {
  return runner.run(kShellPath, shellArguments(arguments), shellEnvironment(environment), kLimits);
}

std::optional<std::string> Shell::runText(os::ProcessRunner& runner,
                                          const std::vector<std::string>& environment,
                                          const std::vector<std::string>& arguments) {
  auto bytes = run(runner, environment, arguments);
  if (!bytes || !isValidUtf8(*bytes)) return std::nullopt;
  return bytes;
}

void Shell::startText(os::ProcessRunner& runner, const std::vector<std::string>& environment,
                      const std::vector<std::string>& arguments,
                      std::function<void(std::optional<std::string>)> done) {
  runner.start(kShellPath, shellArguments(arguments), shellEnvironment(environment), kLimits,
               [done = std::move(done)](std::optional<std::string> bytes) {
                 if (bytes && !isValidUtf8(*bytes)) bytes.reset();
                 done(std::move(bytes));
               });
}

std::vector<std::string> Shell::environmentOf(const char* const* envp) {
  std::vector<std::string> entries;
  for (auto entry = envp; entry && *entry; ++entry) entries.emplace_back(*entry);
  return entries;
}

std::vector<std::string> Shell::withToolDirectory(std::vector<std::string> environment,
                                                 std::string_view toolDirectory) {
  std::optional<std::string_view> path;
  std::vector<std::string> out;
  out.reserve(environment.size() + 1);
  for (auto& entry : environment) {
    if (entry.starts_with("PATH=")) {
      if (!path) path = std::string_view(entry).substr(5);
      continue;
    }
    out.push_back(std::move(entry));
  }
  // path still points into environment, whose PATH entries were not moved.
  out.push_back("PATH=" + os::pathWithToolDirectory(path, toolDirectory));
  return out;
}

}  // namespace tellwick
