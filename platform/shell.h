#ifndef TELLWICK_PLATFORM_SHELL_H_
#define TELLWICK_PLATFORM_SHELL_H_

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/process/process_runner.h"

namespace tellwick {

// Runs "/bin/bash" with the given arguments (every caller passes "-c" and one
// whole command line) through runner, in a copy of environment (the helper's
// own, "NAME=value" entries, handed down from main) in which LC_ALL is
// en_US.UTF-8, so that tools print parseable text whatever the user's locale.
// Every run is bounded by kLimits. Any thread; no state.
struct Shell {
  Shell() = delete;

  // Tools hang and tools babble. 8 s leaves a client waiting its default 10 s
  // time to see the answer of a run that had to be killed; 1 MiB is some
  // twenty thousand nettop lines, far beyond any real machine's report, and
  // keeps what a run can cost the helper small.
  static constexpr os::RunLimits kLimits{std::chrono::seconds(8), 1024 * 1024};

  // Standard output's bytes, or nullopt when the shell could not start or
  // exited non-zero.
  static std::optional<std::string> run(os::ProcessRunner& runner,
                                        const std::vector<std::string>& environment,
                                        const std::vector<std::string>& arguments);
  // As run, and nullopt too when the bytes are not valid UTF-8.
  static std::optional<std::string> runText(os::ProcessRunner& runner,
                                            const std::vector<std::string>& environment,
                                            const std::vector<std::string>& arguments);
  // As runText, without blocking: done receives the text as the runner's
  // start hands results back (on the main loop's thread, or at once for a
  // runner without a queue). Main thread.
  static void startText(os::ProcessRunner& runner, const std::vector<std::string>& environment,
                        const std::vector<std::string>& arguments,
                        std::function<void(std::optional<std::string>)> done);

  // The entries of a process environment as main receives it (envp, ending
  // in a null pointer; null gives none).
  static std::vector<std::string> environmentOf(const char* const* envp);

  // environment with PATH beginning with toolDirectory (see
  // os::pathWithToolDirectory): an installed helper started by the bus gets
  // a bare PATH that does not hold the tools it runs.
  static std::vector<std::string> withToolDirectory(std::vector<std::string> environment,
                                                    std::string_view toolDirectory);
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_SHELL_H_
