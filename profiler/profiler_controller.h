#ifndef TELLWICK_PROFILER_PROFILER_CONTROLLER_H_
#define TELLWICK_PROFILER_PROFILER_CONTROLLER_H_

#include <functional>
#include <string>
#include <vector>

#include "os/process/process_runner.h"
#include "profiler/output_tree.h"
#include "profiler/service.h"

namespace tellwick {

class IProfilerController {
 public:
  virtual ~IProfilerController() = default;
  // Runs the profiler once and returns its parsed report. Never fails: a run
  // that cannot start, exits non-zero or prints other than UTF-8 gives a tree
  // without nodes. Blocks until the tool has exited; any thread.
  virtual OutputTree run() = 0;
  // As run, without blocking where the implementation can: done receives
  // the report on the main loop's thread, exactly once. This default runs
  // synchronously. Main thread.
  virtual void start(std::function<void(OutputTree)> done) { done(run()); }
};

// Runs "system_profiler <service name>" through the shell, found on the PATH
// of environment (the helper's own, handed on to the tool, see Shell). Holds
// its service; the runner and environment must outlive it.
class ProfilerController final : public IProfilerController {
 public:
  ProfilerController(os::ProcessRunner& runner, const std::vector<std::string>& environment,
                     Service service)
      : runner_(runner), environment_(environment), service_(std::move(service)) {}

  const Service& service() const { return service_; }
  OutputTree run() override;
  void start(std::function<void(OutputTree)> done) override;

 private:
  os::ProcessRunner& runner_;
  const std::vector<std::string>& environment_;
  Service service_;
};

}  // namespace tellwick

#endif  // TELLWICK_PROFILER_PROFILER_CONTROLLER_H_
