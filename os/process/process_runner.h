#ifndef TELLWICK_OS_PROCESS_PROCESS_RUNNER_H_
#define TELLWICK_OS_PROCESS_PROCESS_RUNNER_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/bus/main_queue.h"

namespace tellwick::os {

// What one run may take. A child that is still running at the deadline, or
// that prints more than maxOutput bytes, is killed with its whole process
// group and the run fails.
struct RunLimits {
  std::chrono::milliseconds timeout;
  std::size_t maxOutput;
};

// Starts child processes and captures what they write to standard output.
class ProcessRunner {
 public:
  using Completion = std::function<void(std::optional<std::string>)>;

  ProcessRunner() = default;
  ProcessRunner(const ProcessRunner&) = delete;
  ProcessRunner& operator=(const ProcessRunner&) = delete;
  virtual ~ProcessRunner() = default;

  // Runs the program at path with argv (argv[0] included) and exactly the
  // environment given ("NAME=value" entries), in a process group of its own.
  // Returns the bytes written to standard output when the child exited with
  // status 0 within limits (possibly empty); nullopt when it could not be
  // started, exited non-zero, was killed, overran limits or the runner was
  // stopped. Once the child has exited, whatever it left running in its
  // group is killed, so a background process holding the output cannot hold
  // the run. Standard input is empty, standard error is drained and
  // discarded, and no descriptor of the caller other than 0, 1 and 2 reaches
  // the child. Blocks until the child is reaped; safe to call from any
  // thread, each call owning its own child and pipes.
  virtual std::optional<std::string> run(const std::string& path,
                                         const std::vector<std::string>& argv,
                                         const std::vector<std::string>& environment,
                                         const RunLimits& limits) = 0;

  // As run, without blocking the caller: done receives the result exactly
  // once, through the runner's main queue, on the loop's thread. A runner
  // without a queue runs synchronously and calls done before returning.
  // Main thread.
  virtual void start(const std::string& path, const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, const RunLimits& limits,
                     Completion done) = 0;

  // Kills every child still running, with its process group, and waits for
  // the runs to end; from then on every run fails at once. The completions
  // of started runs are still dispatched (as failures). Any thread.
  virtual void stopAll() = 0;
};

// The real runner (library tellwick_os_process). completions, when given,
// must outlive the runner; start then runs each child on a worker thread of
// its own (two idle workers are kept for later runs) and hands the result to
// completions. The caller owns the result.
std::unique_ptr<ProcessRunner> newLinuxProcessRunner(MainQueue* completions = nullptr);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_PROCESS_PROCESS_RUNNER_H_
