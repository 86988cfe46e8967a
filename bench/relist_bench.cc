// What a chip coming or going costs the next request on the desktop's tree
// (six hwmon chips): the sensors listed again through
// libsensors, the fans listed again from sysfs; and what the same request
// costs when nothing changed, which lists nothing. The executable re-runs
// itself under umockdev-run.
#include <benchmark/benchmark.h>

#include "bench/umockdev_main.h"
#include "os/sensors/hid_event_system.h"
#include "os/sensors/hwmon_watch.h"
#include "os/sensors/smc_user_client.h"

namespace tellwick {
namespace {

// A watch whose count the benchmark moves.
struct Changes final : os::HwmonWatch {
  std::uint64_t changes() const override { return count; }
  std::uint64_t count = 0;
};

void sensors(benchmark::State& state, bool changing) {
  Changes watch;
  auto system = os::newLinuxHidEventSystem(std::string(TELLWICK_HWMON_CONFIG), nullptr, &watch);
  if (!system) return state.SkipWithError(system.error().c_str());
  for (auto _ : state) {
    watch.count += changing;
    auto services = (*system)->createClient()->copyServices();
    benchmark::DoNotOptimize(services);
  }
}
void BM_SensorsAfterAChange(benchmark::State& state) { sensors(state, true); }
void BM_SensorsWithoutChange(benchmark::State& state) { sensors(state, false); }
BENCHMARK(BM_SensorsAfterAChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SensorsWithoutChange)->Unit(benchmark::kMicrosecond);

// The key-info read of "FNum" with which every fan request begins.
void fans(benchmark::State& state, bool changing) {
  Changes watch;
  auto smc = os::newLinuxSmcUserClient("/sys", &watch);
  os::ConnectionHandle connection = 0;
  smc->open(smc->getMatchingService(os::serviceMatching("AppleSMC")), 0, &connection);
  os::Parameters in{};
  in.key = 'F' << 24 | 'N' << 16 | 'u' << 8 | 'm';
  in.data8 = os::kSmcReadKeyInfo;
  for (auto _ : state) {
    watch.count += changing;
    os::Parameters out{};
    std::size_t size = sizeof out;
    if (smc->callStructMethod(connection, os::kSmcStructMethodSelector, &in, sizeof in, &out, &size) != 0) {
      return state.SkipWithError("FNum did not read");
    }
  }
}
void BM_FansAfterAChange(benchmark::State& state) { fans(state, true); }
void BM_FansWithoutChange(benchmark::State& state) { fans(state, false); }
BENCHMARK(BM_FansAfterAChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FansWithoutChange)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tellwick

int main(int argc, char** argv) {
  return tellwick::bench::runOverDeviceTree(argc, argv, TELLWICK_HWMON_FIXTURE);
}
