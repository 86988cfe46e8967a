#ifndef TELLWICK_OS_PROCESS_RUNNER_H_
#define TELLWICK_OS_PROCESS_RUNNER_H_

#include <optional>
#include <string>
#include <vector>

namespace tellwick::os {

// Starts child processes and captures what they write to standard output.
class ProcessRunner {
 public:
  ProcessRunner() = default;
  ProcessRunner(const ProcessRunner&) = delete;
  ProcessRunner& operator=(const ProcessRunner&) = delete;
  virtual ~ProcessRunner() = default;

  // Runs the program at path with argv (argv[0] included) and exactly the
  // environment given ("NAME=value" entries). Returns the bytes written to
  // standard output when the child exited with status 0; nullopt when it
  // could not be started, exited non-zero or was killed. Standard error is
  // drained and discarded. Blocks until the child is reaped; any thread.
  virtual std::optional<std::string> run(const std::string& path,
                                         const std::vector<std::string>& argv,
                                         const std::vector<std::string>& environment) = 0;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_PROCESS_RUNNER_H_
