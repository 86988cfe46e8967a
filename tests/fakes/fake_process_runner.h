#ifndef TELLWICK_TESTS_FAKES_FAKE_PROCESS_RUNNER_H_
#define TELLWICK_TESTS_FAKES_FAKE_PROCESS_RUNNER_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os/process_runner.h"

namespace tellwick::testing {

// Programs are scripted per path; every run is recorded. A path nothing was
// installed at behaves like a missing executable.
class FakeProcessRunner final : public os::ProcessRunner {
 public:
  struct Call {
    std::string path;
    std::vector<std::string> argv;
    std::vector<std::string> environment;
  };
  struct Outcome {
    std::string output;
    int exitStatus = 0;
  };
  using Program = std::function<Outcome(const Call&)>;

  void install(const std::string& path, Program program) { programs_[path] = std::move(program); }
  // A program that always prints output and exits with exitStatus.
  void install(const std::string& path, std::string output, int exitStatus = 0) {
    install(path, [o = Outcome{std::move(output), exitStatus}](const Call&) { return o; });
  }
  void uninstall(const std::string& path) { programs_.erase(path); }

  // Fault switch: while set, every run fails to start.
  void setStartFails(bool fails) { start_fails_ = fails; }

  std::optional<std::string> run(const std::string& path, const std::vector<std::string>& argv,
                                 const std::vector<std::string>& environment) override {
    calls_.push_back({path, argv, environment});
    auto it = programs_.find(path);
    if (start_fails_ || it == programs_.end()) return std::nullopt;
    Outcome outcome = it->second(calls_.back());
    if (outcome.exitStatus != 0) return std::nullopt;
    return outcome.output;
  }

  const std::vector<Call>& calls() const { return calls_; }

 private:
  std::map<std::string, Program> programs_;
  std::vector<Call> calls_;
  bool start_fails_ = false;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_PROCESS_RUNNER_H_
