// The live view's own cost. Two kinds of numbers:
//  - Frame/JsonLine: the work of one interval in process (fold one answer of
//    every category into the state, then compose the 100x40 screen or the
//    JSON line) with an hour of history behind it, at 1 s and 0.2 s;
//  - LiveView: the real `tellwickctl watch` on a pseudo-terminal against the
//    helper in the simulated laptop for a minute (TELLWICK_WATCH_BENCH_SECONDS
//    to change), its user + system CPU time and peak resident memory as the
//    kernel counts them, bus, store reads and ncurses output included, over
//    the whole run and (steady_*) from 5 s on, without the view's start;
//  - HourOfHistory: resident memory added by an hour of readings fed into
//    the state, per sensor count and interval.

#include <benchmark/benchmark.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/helper_cpu.h"
#include "bench/simulated_laptop_helper.h"
#include "os/bus/session_bus.h"
#include "tests/support/child_process.h"
#include "tests/support/mock_bluez.h"
#include "tests/support/private_bus.h"
#include "tests/support/scratch_directory.h"
#include "tools/tellwickctl/watch/frame.h"
#include "tools/tellwickctl/watch/json_line.h"
#include "tools/tellwickctl/watch/watch_state.h"

namespace {

using namespace std::chrono_literals;
using tellwick::testing::HelperCpu;
using tellwick::testing::helperCpu;
using tellwick::testing::threadsCpuSeconds;

constexpr std::chrono::duration<double> kWarmUp{5.0};
using tellwick::watch::Panel;
using tellwick::watch::WatchState;

const std::vector<Panel> kAll = {Panel::sensors, Panel::fans, Panel::traffic, Panel::batteries};

// A laptop answer with some movement in it.
struct Laptop {
  explicit Laptop(int sensorCount) {
    for (int s = 0; s < sensorCount; ++s) {
      sensors.emplace_back("T" + std::to_string(s) + "0P", "Sensor number " + std::to_string(s), 40.0);
    }
    for (int p = 0; p < 20; ++p) traffic.emplace_back(1000 + p, "process" + std::to_string(p), 0, 0);
    singles.push_back(std::make_shared<tellwick::SingleBatteryDevice>("Keyboard", "aa", 0x4c, "Apple Inc.", 1, 80, std::string("KEYBOARD")));
    doubles.push_back(std::make_shared<tellwick::DoubleBatteryDevice>("Buds", "bb", "Apple Inc.", 2, 90, 80, std::string("HEADPHONES")));
  }

  void advance(std::size_t tick) {
    for (std::size_t s = 0; s < sensors.size(); ++s) {
      sensors[s].value = 45 + 10 * std::sin(static_cast<double>(tick + s * 37) / 50.0) + noise(random);
    }
    for (auto& t : traffic) t = {t.pid(), t.name(), t.sent() + bytes(random), t.received() + bytes(random)};
  }

  void feed(WatchState& state, std::size_t tick, double seconds) {
    advance(tick);
    state.updateSensors(sensors);
    state.updateFans({tellwick::Fan("F0Ac", std::string("Left side"), 2000 + static_cast<long>(tick % 3000), 2000, 6000, 2500)});
    state.updateTraffic(traffic, seconds);
    state.updateBatteries(singles, doubles);
  }

  std::vector<tellwick::Sensor> sensors;
  std::vector<tellwick::ProcessTrafficInfo> traffic;
  tellwick::SingleBatteryDevices singles;
  tellwick::DoubleBatteryDevices doubles;
  std::mt19937 random{7};
  std::uniform_real_distribution<double> noise{-0.3, 0.3};
  std::uniform_int_distribution<std::uint64_t> bytes{0, 100000};
};

double processCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Arguments: interval in milliseconds, sensor count.
WatchState hourOld(Laptop& laptop, double interval) {
  WatchState state(interval);
  const auto samples = static_cast<std::size_t>(3600 / interval);
  for (std::size_t i = 0; i < samples; ++i) laptop.feed(state, i, static_cast<double>(i) * interval);
  return state;
}

void BM_Frame(benchmark::State& bench) {
  const double interval = static_cast<double>(bench.range(0)) / 1000;
  Laptop laptop(static_cast<int>(bench.range(1)));
  WatchState state = hourOld(laptop, interval);
  tellwick::watch::ViewSettings view;
  view.columns = 100;
  view.lines = 40;
  view.panels = kAll;
  std::size_t tick = 1'000'000;
  const double cpuBefore = processCpuSeconds();
  for (auto _ : bench) {
    laptop.feed(state, tick, static_cast<double>(tick) * interval);
    ++tick;
    benchmark::DoNotOptimize(tellwick::watch::composeFrame(state, view));
  }
  // A minute of frames at this interval: CPU per frame times frames a minute.
  const double perFrame = (processCpuSeconds() - cpuBefore) / static_cast<double>(bench.iterations());
  bench.counters["cpu_ms_per_minute"] = perFrame * (60 / interval) * 1000;
}
BENCHMARK(BM_Frame)->Args({1000, 11})->Args({200, 11})->Args({1000, 60})->Args({200, 60})->Unit(benchmark::kMicrosecond);

void BM_JsonLine(benchmark::State& bench) {
  const double interval = static_cast<double>(bench.range(0)) / 1000;
  Laptop laptop(11);
  WatchState state = hourOld(laptop, interval);
  std::size_t tick = 1'000'000;
  for (auto _ : bench) {
    laptop.feed(state, tick, static_cast<double>(tick) * interval);
    ++tick;
    benchmark::DoNotOptimize(tellwick::watch::jsonLine(state, kAll, 0, true));
  }
}
BENCHMARK(BM_JsonLine)->Arg(1000)->Arg(200)->Unit(benchmark::kMicrosecond);

long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Arguments: interval in milliseconds, sensor count.
void BM_HourOfHistory(benchmark::State& bench) {
  const double interval = static_cast<double>(bench.range(0)) / 1000;
  for (auto _ : bench) {
    long before = residentKiB();
    Laptop laptop(static_cast<int>(bench.range(1)));
    auto state = std::make_unique<WatchState>(hourOld(laptop, interval));
    bench.counters["resident_added_KiB"] = static_cast<double>(residentKiB() - before);
    bench.counters["resident_KiB"] = static_cast<double>(residentKiB());
    bench.counters["history_bytes"] = static_cast<double>(state->sensors().size() * state->sensors().front().history.capacity() * sizeof(float));
  }
}
BENCHMARK(BM_HourOfHistory)->Args({1000, 11})->Args({200, 11})->Args({200, 100})->Iterations(1)->Unit(benchmark::kMillisecond);

// One helper for the whole run, started on first use.
using Rig = tellwick::testing::SimulatedLaptopHelper;

Rig& rig() {
  static Rig instance;
  return instance;
}

// Argument: interval in milliseconds. The view runs on a 100x40 pseudo-
// terminal whose output is read and thrown away, then gets SIGTERM.
void BM_LiveView(benchmark::State& bench) {
  Rig& r = rig();
  if (!r.error.empty()) {
    bench.SkipWithError(r.error.c_str());
    return;
  }
  const char* override = std::getenv("TELLWICK_WATCH_BENCH_SECONDS");
  const double seconds = override ? std::atof(override) : 60;
  const std::string interval = std::to_string(static_cast<double>(bench.range(0)) / 1000);
  for (auto _ : bench) {
    winsize size{40, 100, 0, 0};
    int master = -1;
    pid_t child = ::forkpty(&master, nullptr, nullptr, &size);
    if (child == 0) {
      std::string busEnv = "DBUS_SESSION_BUS_ADDRESS=" + r.bus.address();
      std::string configEnv = "XDG_CONFIG_HOME=" + r.scratch.string();
      std::string binary = std::string(TELLWICK_BIN_DIR) + "/tellwickctl";
      const char* only = std::getenv("TELLWICK_WATCH_BENCH_ONLY");
      std::string onlyArgument = std::string("--only=") + (only ? only : "sensors,fans,traffic,batteries");
      char* const argv[] = {binary.data(), const_cast<char*>("watch"), const_cast<char*>("--interval"),
                            const_cast<char*>(interval.c_str()), onlyArgument.data(), nullptr};
      char* const envp[] = {busEnv.data(), configEnv.data(), const_cast<char*>("TERM=xterm-256color"),
                            const_cast<char*>("LANG=C.UTF-8"), nullptr};
      ::execve(argv[0], argv, envp);
      ::_exit(127);
    }
    const HelperCpu helperBefore = helperCpu(r.helper->pid());
    const auto begin = std::chrono::steady_clock::now();
    auto end = begin + std::chrono::duration<double>(seconds);
    // The steady figures leave out the view's start (loading, terminal set-up,
    // the first answers): from kWarmUp on, what each further interval costs.
    const auto warm = begin + std::min(kWarmUp, std::chrono::duration<double>(seconds / 2));
    std::optional<std::pair<double, double>> atWarm;  // view, helper
    char sink[65536];
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 100) > 0 && ::read(master, sink, sizeof sink) <= 0) break;
      if (!atWarm && std::chrono::steady_clock::now() >= warm) {
        atWarm.emplace(threadsCpuSeconds(child), helperCpu(r.helper->pid()).own);
      }
    }
    const double steadySeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - warm).count();
    const double steadyView = atWarm ? threadsCpuSeconds(child) - atWarm->first : 0;
    const HelperCpu helperAfter = helperCpu(r.helper->pid());
    const double steadyHelper = atWarm ? helperAfter.own - atWarm->second : 0;
    const double helper = helperAfter.own - helperBefore.own;
    const double helperLive = helperAfter.liveThreads - helperBefore.liveThreads;
    const double tools = helperAfter.tools - helperBefore.tools;
    ::kill(child, SIGTERM);
    rusage usage{};
    int status = 0;
    while (::wait4(child, &status, WNOHANG, &usage) == 0) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 100) > 0) [[maybe_unused]] auto n = ::read(master, sink, sizeof sink);
    }
    ::close(master);
    double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    bench.counters["cpu_ms_per_minute"] = cpu * 1000 * 60 / seconds;
    bench.counters["cpu_percent"] = cpu / seconds * 100;
    bench.counters["helper_cpu_percent"] = helper / seconds * 100;
    bench.counters["helper_live_threads_cpu_percent"] = helperLive / seconds * 100;
    bench.counters["view_and_helper_cpu_percent"] = (cpu + helper) / seconds * 100;
    bench.counters["tools_cpu_percent"] = tools / seconds * 100;
    bench.counters["steady_view_and_helper_cpu_percent"] = (steadyView + steadyHelper) / steadySeconds * 100;
    bench.counters["steady_view_cpu_percent"] = steadyView / steadySeconds * 100;
    bench.counters["max_resident_KiB"] = static_cast<double>(usage.ru_maxrss);
    bench.counters["exit_status"] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
}
BENCHMARK(BM_LiveView)->Arg(1000)->Arg(200)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
