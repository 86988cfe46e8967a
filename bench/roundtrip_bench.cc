// Request-to-response round trips against the real helper inside the
// simulated MacBook Pro, on a private bus: one benchmark per category (p50 and
// p99 of single round trips) and a client loop that keeps one request in
// flight. Store reads are left out: what is timed is what the helper does
// between the request arriving and the response leaving (sampling, coding,
// store write) plus two bus hops.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/helper_cpu.h"
#include "bench/simulated_laptop_helper.h"
#include "os/bus/session_bus.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace {

using namespace std::chrono_literals;
using tellwick::testing::ScopedEnvironmentVariable;
using tellwick::testing::ScratchDirectory;

// One helper for the whole run, started on first use.
using Rig = tellwick::testing::SimulatedLaptopHelper;

Rig& rig() {
  static Rig instance;
  return instance;
}

void RoundTrip(benchmark::State& state, const char* request, const char* response) {
  Rig& r = rig();
  if (!r.error.empty()) {
    state.SkipWithError(r.error.c_str());
    return;
  }
  auto& center = r.client->notificationCenter();
  int answered = 0;
  center.addObserver(&answered, response, std::nullopt,
                     [&](const tellwick::os::Notification&) { ++answered; });
  std::vector<double> micros;
  const double cpuBefore = tellwick::testing::helperCpu(r.helper->pid()).own;
  for (auto _ : state) {
    int before = answered;
    auto start = std::chrono::steady_clock::now();
    center.post(request, std::nullopt);
    r.client->flush();
    if (!r.client->runUntil([&] { return answered > before; }, 60s)) {
      state.SkipWithError("no response");
      break;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  const double cpu = tellwick::testing::helperCpu(r.helper->pid()).own - cpuBefore;
  center.removeObserver(&answered, response);
  if (micros.empty()) return;
  state.counters["helper_cpu_us"] = cpu * 1e6 / static_cast<double>(micros.size());
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))]; };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["round_trips_per_s"] =
      benchmark::Counter(static_cast<double>(micros.size()), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(RoundTrip, sensors, "RequestSensors", "ResponseSensors")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RoundTrip, fans, "RequestFans", "ResponseFans")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RoundTrip, traffic, "RequestTraffic", "ResponseTraffic")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RoundTrip, batteries, "RequestBatteries", "ResponseBatteries")->UseRealTime()->Unit(benchmark::kMillisecond);

// Sustained rate: a client that posts the next request as soon as the
// previous response arrives, with a window of `range(0)` requests in flight.
void SustainedFans(benchmark::State& state) {
  Rig& r = rig();
  if (!r.error.empty()) {
    state.SkipWithError(r.error.c_str());
    return;
  }
  auto& center = r.client->notificationCenter();
  long answered = 0;
  center.addObserver(&answered, "ResponseFans", std::nullopt,
                     [&](const tellwick::os::Notification&) { ++answered; });
  const long window = state.range(0);
  long posted = 0;
  for (auto _ : state) {
    while (posted - answered < window) {
      center.post("RequestFans", std::nullopt);
      ++posted;
    }
    r.client->flush();
    long target = answered + 1;
    if (!r.client->runUntil([&] { return answered >= target; }, 60s)) {
      state.SkipWithError("no response");
      break;
    }
  }
  r.client->runUntil([&] { return answered >= posted; }, 60s);
  center.removeObserver(&answered, "ResponseFans");
  state.counters["responses_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(SustainedFans)->Arg(1)->Arg(8)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Four clients at once, each on its own connection, each with one fan request in flight, for
// TELLWICK_ROUNDTRIP_SECONDS (default 3). Every client hears every
// response, so a client's round trip ends once it has heard as many
// responses as there were requests in flight when it posted, its own
// included: an upper bound when requests overtake one another at the bus.
void FourClientsFans(benchmark::State& state) {
  Rig& r = rig();
  if (!r.error.empty()) {
    state.SkipWithError(r.error.c_str());
    return;
  }
  const char* override = std::getenv("TELLWICK_ROUNDTRIP_SECONDS");
  const auto length = std::chrono::duration<double>(override ? std::atof(override) : 3.0);
  constexpr int kClients = 4;
  std::atomic<long> posted{0};
  std::atomic<bool> failed{false};
  std::latch ready(kClients);
  std::mutex mutex;
  std::vector<double> micros;
  long answers = 0;
  double seconds = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double cpuBefore = tellwick::testing::helperCpu(r.helper->pid()).own;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + length;
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
      clients.emplace_back([&, c] {
        auto bus = tellwick::os::connectSessionBus();
        if (!bus) {
          failed = true;
          ready.count_down();
          return;
        }
        auto& center = (*bus)->notificationCenter();
        long heard = 0;
        center.addObserver(&heard, "ResponseFans", std::nullopt, [&](const tellwick::os::Notification&) { ++heard; });
        // A call answered means the rule is in place; all start together.
        (*bus)->names().nameHasOwner("com.quorvane.helper");
        ready.count_down();
        ready.wait();
        std::vector<double> mine;
        while (std::chrono::steady_clock::now() < end) {
          const long ahead = posted.fetch_add(1) - heard;
          const long target = heard + ahead + 1;
          const auto sent = std::chrono::steady_clock::now();
          center.post("RequestFans", std::nullopt);
          if (!(*bus)->runUntil([&] { return heard >= target; }, 10s)) {
            failed = true;
            break;
          }
          mine.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - sent).count());
        }
        std::lock_guard lock(mutex);
        micros.insert(micros.end(), mine.begin(), mine.end());
        if (c == 0) answers = heard;
      });
    }
    for (auto& client : clients) client.join();
    cpu = tellwick::testing::helperCpu(r.helper->pid()).own - cpuBefore;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
  }
  if (failed || micros.empty()) {
    state.SkipWithError("a client lost its connection or went unanswered");
    return;
  }
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))]; };
  state.counters["answers_per_s"] = static_cast<double>(answers) / seconds;
  state.counters["helper_cpu_us"] = answers ? cpu * 1e6 / static_cast<double>(answers) : 0;
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
}
BENCHMARK(FourClientsFans)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The parts of a round trip, measured alone: one bus hop there and back
// (a client hearing its own post through the daemon) ...
void BusEcho(benchmark::State& state) {
  Rig& r = rig();
  if (!r.error.empty()) {
    state.SkipWithError(r.error.c_str());
    return;
  }
  auto& center = r.client->notificationCenter();
  int heard = 0;
  center.addObserver(&heard, "BenchEcho", std::nullopt, [&](const tellwick::os::Notification&) { ++heard; });
  for (auto _ : state) {
    int before = heard;
    center.post("BenchEcho", std::nullopt);
    r.client->flush();
    r.client->runUntil([&] { return heard > before; }, 10s);
  }
  center.removeObserver(&heard, "BenchEcho");
}
BENCHMARK(BusEcho)->UseRealTime()->Unit(benchmark::kMicrosecond);

// ... and the store write of a fan list like the MacBook's (coding plus the
// locked file replacement).
void StoreWriteFans(benchmark::State& state) {
  ScratchDirectory scratch;
  ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", scratch.string());
  auto coder = tellwick::os::newLinuxPropertyListCoder();
  auto defaults = tellwick::os::newLinuxUserDefaults(*coder);
  tellwick::HelperDataModel store(*defaults, *coder);
  std::vector<tellwick::Fan> fans = {tellwick::Fan("F0Ac", "Left side", 2161, 2160, 6156, 2160),
                                     tellwick::Fan("F1Ac", "Right side", 1999, 2000, 5700, 2000)};
  // range(0): every answer differs from the one before (a new file each
  // time), or each equals it (nothing written).
  long rpm = 2161;
  for (auto _ : state) {
    if (state.range(0)) fans[0] = tellwick::Fan("F0Ac", "Left side", ++rpm, 2160, 6156, 2160);
    store.setFans(fans);
  }
}
BENCHMARK(StoreWriteFans)->ArgName("changing")->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
