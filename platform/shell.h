#ifndef TELLWICK_PLATFORM_SHELL_H_
#define TELLWICK_PLATFORM_SHELL_H_

#include <optional>
#include <string>
#include <vector>

#include "os/process_runner.h"

namespace tellwick {

// Runs "/bin/bash" with the given arguments (every caller passes "-c" and one
// whole command line) through runner, in a copy of this process's
// environment in which LC_ALL is en_US.UTF-8, so that tools print parseable
// text whatever the user's locale, and PATH begins with the installation's
// tool directory (os::installedToolDirectory). No time limit: a call returns when the
// shell has closed its output and exited. Any thread; no state.
struct Shell {
  Shell() = delete;

  // Standard output's bytes, or nullopt when the shell could not start or
  // exited non-zero.
  static std::optional<std::string> run(os::ProcessRunner& runner,
                                        const std::vector<std::string>& arguments);
  // As run, and nullopt too when the bytes are not valid UTF-8.
  static std::optional<std::string> runText(os::ProcessRunner& runner,
                                            const std::vector<std::string>& arguments);
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_SHELL_H_
