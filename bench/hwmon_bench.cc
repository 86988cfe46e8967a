// A laptop without an SMC, side by side: `tellwickctl sensors --json` as a
// whole process with the helper serving (request, helper reads the hwmon
// chips, store write, response, store read, JSON out) against lm-sensors'
// `sensors -j` reading the same umockdev tree directly, and `tellwickctl
// fans --json` against a shell loop over the same fan files. The
// executable re-runs itself under umockdev-run, so all see the tree. The
// run ends with the ratios, time and CPU (the machine is shared).
//
// scripts/request-path breaks the first line down: where its time goes.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/umockdev_main.h"
#include "bench/hwmon_helper.h"

namespace {

using tellwick::testing::HwmonHelper;

HwmonHelper& helper() {
  static HwmonHelper instance;
  return instance;
}

// Runs argv to completion with its output discarded; its exit status, or -1.
int runQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
  std::vector<char*> args, env;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const auto& e : environment) env.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  env.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// User and system time of the children reaped so far, in milliseconds.
double childrenCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void runEach(benchmark::State& state, const std::vector<std::string>& argv, int expected = 0) {
  HwmonHelper& h = helper();
  if (!h.error.empty()) {
    state.SkipWithError(h.error.c_str());
    return;
  }
  const auto environment = h.environment();
  const double cpuBefore = childrenCpuMs();
  for (auto _ : state) {
    if (runQuietly(argv, environment) != expected) {
      state.SkipWithError((argv[0] + " failed").c_str());
      return;
    }
  }
  state.counters["cpu_ms"] = (childrenCpuMs() - cpuBefore) / static_cast<double>(state.iterations());
}

void BM_TellwickctlSensorsJson(benchmark::State& state) {
  runEach(state, {std::string(TELLWICK_BIN_DIR) + "/tellwickctl", "sensors", "--json"});
}
BENCHMARK(BM_TellwickctlSensorsJson)->UseRealTime()->Unit(benchmark::kMillisecond);

// What tellwickctl costs before it asks anything: loading its libraries and
// rejecting its arguments (exit 64). The rest of the first line is the bus
// round trip, the helper's sample and the store.
void BM_TellwickctlStartOnly(benchmark::State& state) {
  runEach(state, {std::string(TELLWICK_BIN_DIR) + "/tellwickctl", "--no-such-option"}, 64);
}
BENCHMARK(BM_TellwickctlStartOnly)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LmSensorsJson(benchmark::State& state) { runEach(state, {"/usr/bin/sensors", "-j"}); }
BENCHMARK(BM_LmSensorsJson)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TellwickctlFansJson(benchmark::State& state) {
  runEach(state, {std::string(TELLWICK_BIN_DIR) + "/tellwickctl", "fans", "--json"});
}
BENCHMARK(BM_TellwickctlFansJson)->UseRealTime()->Unit(benchmark::kMillisecond);

// What the helper reads for each fan (label, reading, minimum, maximum and
// target), read by the shell itself, one line per fan.
void BM_ShellFanLoop(benchmark::State& state) {
  runEach(state, {"/bin/bash", "-c",
                  "for f in /sys/class/hwmon/hwmon*/fan*_input; do p=${f%_input}; v=; "
                  "for a in label input min max target; do [ -r \"${p}_$a\" ] && "
                  "read -r x < \"${p}_$a\" && v=\"$v $x\"; done; echo \"$p$v\"; done"});
}
BENCHMARK(BM_ShellFanLoop)->UseRealTime()->Unit(benchmark::kMillisecond);

// Prints each pair's ratio, time and CPU, once both have been measured.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.iterations == 0 || run.error_occurred) continue;
      auto cpu = run.counters.find("cpu_ms");
      figures_[run.benchmark_name()] = {run.GetAdjustedRealTime(), cpu == run.counters.end() ? 0 : cpu->second.value};
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const char* pairs[][3] = {
        {"BM_TellwickctlSensorsJson/real_time", "BM_LmSensorsJson/real_time", "tellwickctl sensors --json / sensors -j"},
        {"BM_TellwickctlFansJson/real_time", "BM_ShellFanLoop/real_time", "tellwickctl fans --json / shell loop"},
        {"BM_TellwickctlStartOnly/real_time", "BM_LmSensorsJson/real_time", "tellwickctl start only / sensors -j"},
    };
    for (const auto& [ours, theirs, label] : pairs) {
      auto a = figures_.find(ours), b = figures_.find(theirs);
      if (a == figures_.end() || b == figures_.end() || b->second.first <= 0) continue;
      std::printf("%s: time %.2f, CPU %.2f\n", label, a->second.first / b->second.first,
                  b->second.second > 0 ? a->second.second / b->second.second : 0.0);
    }
  }

 private:
  std::map<std::string, std::pair<double, double>> figures_;
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  return tellwick::bench::runOverDeviceTree(argc, argv, TELLWICK_HWMON_FIXTURE, &reporter);
}
