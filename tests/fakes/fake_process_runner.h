#ifndef TELLWICK_TESTS_FAKES_FAKE_PROCESS_RUNNER_H_
#define TELLWICK_TESTS_FAKES_FAKE_PROCESS_RUNNER_H_

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os/process/process_runner.h"

namespace tellwick::testing {

// Programs are scripted per path; every run is recorded. A path nothing was
// installed at behaves like a missing executable. Without a queue, start
// completes at once unless the program hangs; with one (as in the helper),
// every completion goes through it.
class FakeProcessRunner final : public os::ProcessRunner {
 public:
  struct Call {
    std::string path;
    std::vector<std::string> argv;
    std::vector<std::string> environment;
    os::RunLimits limits;
  };
  struct Outcome {
    std::string output;
    int exitStatus = 0;
    // Never ends by itself: run reports the kill at the deadline at once;
    // a started run waits for expireHung.
    bool hangs = false;
  };
  using Program = std::function<Outcome(const Call&)>;

  explicit FakeProcessRunner(os::MainQueue* completions = nullptr) : completions_(completions) {}

  void install(const std::string& path, Program program) { programs_[path] = std::move(program); }
  // A program that always prints output and exits with exitStatus.
  void install(const std::string& path, std::string output, int exitStatus = 0) {
    install(path, [o = Outcome{std::move(output), exitStatus}](const Call&) { return o; });
  }
  void installHanging(const std::string& path) {
    install(path, [](const Call&) { return Outcome{{}, 0, true}; });
  }

  std::optional<std::string> run(const std::string& path, const std::vector<std::string>& argv,
                                 const std::vector<std::string>& environment,
                                 const os::RunLimits& limits) override {
    calls_.push_back({path, argv, environment, limits});
    return outcome(calls_.back());
  }

  void start(const std::string& path, const std::vector<std::string>& argv,
             const std::vector<std::string>& environment, const os::RunLimits& limits,
             Completion done) override {
    bool hangs = false;
    calls_.push_back({path, argv, environment, limits});
    auto result = outcome(calls_.back(), &hangs);
    if (hangs) {
      hung_.push_back(std::move(done));
      return;
    }
    complete(std::move(done), std::move(result));
  }

  // The hung runs reach their deadline and are reported failed, oldest first.
  void expireHung() {
    while (!hung_.empty()) {
      Completion done = std::move(hung_.front());
      hung_.pop_front();
      complete(std::move(done), std::nullopt);
    }
  }

  void stopAll() override {
    stopped_ = true;
    expireHung();
  }

  const std::vector<Call>& calls() const { return calls_; }
  std::size_t hungRuns() const { return hung_.size(); }

 private:
  std::optional<std::string> outcome(const Call& call, bool* hangs = nullptr) {
    auto it = programs_.find(call.path);
    if (stopped_ || it == programs_.end()) return std::nullopt;
    Outcome outcome = it->second(call);
    if (hangs) *hangs = outcome.hangs;
    if (outcome.hangs || outcome.exitStatus != 0) return std::nullopt;
    if (outcome.output.size() > call.limits.maxOutput) return std::nullopt;
    return outcome.output;
  }

  void complete(Completion done, std::optional<std::string> result) {
    if (!completions_) {
      done(std::move(result));
      return;
    }
    completions_->dispatch([done = std::move(done), result = std::move(result)]() mutable {
      done(std::move(result));
    });
  }

  os::MainQueue* completions_;
  std::map<std::string, Program> programs_;
  std::vector<Call> calls_;
  std::deque<Completion> hung_;
  bool stopped_ = false;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_PROCESS_RUNNER_H_
