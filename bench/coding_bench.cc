// Cost of turning answers into stored blobs and back, and of one store round
// trip through the file-backed domain.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "protocol/record_coding.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

std::vector<ProcessTrafficInfo> traffic(int count) {
  std::vector<ProcessTrafficInfo> list;
  for (int i = 0; i < count; ++i) {
    list.emplace_back(100 + i, "process-" + std::to_string(i), 1'000'000ull * i, 77'000ull * i);
  }
  return list;
}

SingleBatteryDevices singles(int count) {
  SingleBatteryDevices list;
  for (int i = 0; i < count; ++i) {
    list.push_back(std::make_shared<SingleBatteryDevice>(
        "Device " + std::to_string(i), "AA:BB:CC:DD:EE:" + std::to_string(i % 100), 76,
        "Apple Inc.", 613 + i, static_cast<std::uint8_t>(i % 101), std::string("Keyboard")));
  }
  return list;
}

DoubleBatteryDevices doubles(int count) {
  DoubleBatteryDevices list;
  for (int i = 0; i < count; ++i) {
    std::optional<std::uint8_t> left;
    if (i % 2) left = static_cast<std::uint8_t>(i % 101);
    list.push_back(std::make_shared<DoubleBatteryDevice>(
        "Buds " + std::to_string(i), "11:22:33:44:55:" + std::to_string(i % 100), "Apple Inc.",
        8207, left, 80, std::string("Headphones")));
  }
  return list;
}

void BM_EncodeTraffic1000(benchmark::State& state) {
  auto coder = os::newLinuxPropertyListCoder();
  auto list = traffic(1000);
  for (auto _ : state) {
    auto bytes = coder->encode(encodeTraffic(list));
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_EncodeTraffic1000)->Unit(benchmark::kMicrosecond);

void BM_DecodeTraffic1000(benchmark::State& state) {
  auto coder = os::newLinuxPropertyListCoder();
  auto bytes = *coder->encode(encodeTraffic(traffic(1000)));
  state.SetLabel(std::to_string(bytes.size()) + " bytes");
  for (auto _ : state) {
    auto list = decodeTraffic(*coder->decode(bytes));
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_DecodeTraffic1000)->Unit(benchmark::kMicrosecond);

// 200 devices: 100 single and 100 double, as the two keys of one answer.
void BM_EncodeBatteries200(benchmark::State& state) {
  auto coder = os::newLinuxPropertyListCoder();
  auto one = singles(100);
  auto two = doubles(100);
  for (auto _ : state) {
    auto a = coder->encode(encodeSingleBatteryDevices(one));
    auto b = coder->encode(encodeDoubleBatteryDevices(two));
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
  }
}
BENCHMARK(BM_EncodeBatteries200)->Unit(benchmark::kMicrosecond);

void BM_DecodeBatteries200(benchmark::State& state) {
  auto coder = os::newLinuxPropertyListCoder();
  auto a = *coder->encode(encodeSingleBatteryDevices(singles(100)));
  auto b = *coder->encode(encodeDoubleBatteryDevices(doubles(100)));
  for (auto _ : state) {
    auto one = decodeSingleBatteryDevices(*coder->decode(a));
    auto two = decodeDoubleBatteryDevices(*coder->decode(b));
    benchmark::DoNotOptimize(one);
    benchmark::DoNotOptimize(two);
  }
}
BENCHMARK(BM_DecodeBatteries200)->Unit(benchmark::kMicrosecond);

// setTraffic then traffic() through the real file-backed domain (fsync
// included), in a scratch XDG_CONFIG_HOME.
void BM_StoreRoundTripTraffic1000(benchmark::State& state) {
  testing::ScratchDirectory root("tellwick-bench");
  testing::ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", root.string());
  {
    auto coder = os::newLinuxPropertyListCoder();
    auto defaults = os::newLinuxUserDefaults(*coder);
    HelperDataModel model(*defaults, *coder);
    auto list = traffic(1000);
    for (auto _ : state) {
      model.setTraffic(list);
      auto back = model.traffic();
      if (!back || back->size() != list.size()) state.SkipWithError("round trip lost the list");
      benchmark::DoNotOptimize(back);
    }
  }
}
BENCHMARK(BM_StoreRoundTripTraffic1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tellwick

BENCHMARK_MAIN();
