// A laptop without an SMC, side by side: `tellwickctl sensors --json` as a
// whole process with the helper serving (request, helper reads the hwmon
// chips, store write, response, store read, JSON out) against lm-sensors'
// `sensors -j` reading the same umockdev tree directly. The executable
// re-runs itself under umockdev-run, so both see the tree.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

void runEach(benchmark::State& state, const std::vector<std::string>& argv, int expected = 0) {
  HwmonHelper& h = helper();
  if (!h.error.empty()) {
    state.SkipWithError(h.error.c_str());
    return;
  }
  const auto environment = h.environment();
  for (auto _ : state) {
    if (runQuietly(argv, environment) != expected) {
      state.SkipWithError((argv[0] + " failed").c_str());
      return;
    }
  }
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

}  // namespace

int main(int argc, char** argv) {
  return tellwick::bench::runOverDeviceTree(argc, argv, TELLWICK_HWMON_FIXTURE);
}
