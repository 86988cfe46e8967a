#ifndef TELLWICK_OS_PROCESS_RUNNER_H_
#define TELLWICK_OS_PROCESS_RUNNER_H_

#include <memory>
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
  // standard output when the child exited with status 0 (possibly empty);
  // nullopt when it could not be started, exited non-zero or was killed.
  // Standard input is empty, standard error is drained and discarded, and
  // no descriptor of the caller other than 0, 1 and 2 reaches the child.
  // Blocks until the child is reaped; safe to call from any thread, each
  // call owning its own child and pipes.
  virtual std::optional<std::string> run(const std::string& path,
                                         const std::vector<std::string>& argv,
                                         const std::vector<std::string>& environment) = 0;
};

// The real runner (library tellwick_os_process). Stateless; the caller owns
// the result.
std::unique_ptr<ProcessRunner> newLinuxProcessRunner();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_PROCESS_RUNNER_H_
