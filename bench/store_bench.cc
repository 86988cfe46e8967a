// How the store grows with the answer: encode, decode and a full write
// through the file-backed domain at 10^3 to 10^6 traffic records, and a
// client reading a long battery list. Each should be linear (Big O printed
// as N). And a write beside what another program wrote: 300 keys sharing
// one 1 MB value.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "os/store/binary_plist.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "protocol/record_coding.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

std::vector<ProcessTrafficInfo> traffic(std::int64_t count) {
  std::vector<ProcessTrafficInfo> list;
  list.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    list.emplace_back(static_cast<std::uint64_t>(100 + i), "process-" + std::to_string(i),
                      1'000'003ull * static_cast<std::uint64_t>(i), 77'000ull * static_cast<std::uint64_t>(i));
  }
  return list;
}

void records(benchmark::internal::Benchmark* b) {
  for (std::int64_t n : {1'000, 10'000, 100'000, 1'000'000}) b->Arg(n);
  b->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

void BM_EncodeTraffic(benchmark::State& state) {
  auto coder = os::newLinuxPropertyListCoder();
  auto list = traffic(state.range(0));
  for (auto _ : state) {
    auto bytes = coder->encode(encodeTraffic(list));
    benchmark::DoNotOptimize(bytes);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EncodeTraffic)->Apply(records);

void BM_DecodeTraffic(benchmark::State& state) {
  auto coder = os::newLinuxPropertyListCoder();
  auto bytes = *coder->encode(encodeTraffic(traffic(state.range(0))));
  state.SetLabel(std::to_string(bytes.size() >> 10) + " KiB");
  for (auto _ : state) {
    auto list = decodeTraffic(*coder->decode(bytes));
    if (!list) state.SkipWithError("did not decode");
    benchmark::DoNotOptimize(list);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DecodeTraffic)->Apply(records);

// setTraffic into a scratch domain file that already holds the other keys.
void BM_WriteTraffic(benchmark::State& state) {
  testing::ScratchDirectory root("tellwick-bench");
  testing::ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", root.string());
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  HelperDataModel model(*defaults, *coder);
  model.setFans({Fan("F0Ac", std::string("Left"), 1200, 1000, 6000, 2000)});
  auto list = traffic(state.range(0));
  for (auto _ : state) model.setTraffic(list);
  if (!model.traffic()) state.SkipWithError("nothing stored");
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteTraffic)->Apply(records);

// One write beside a 1 MB file another program wrote, whose 300 keys share
// one value (Python's plistlib writes equal values once): the time of the
// write, whether it stored (1) or failed (0), and the process's peak memory
// once it is done.
void BM_WriteBesideSharedValues(benchmark::State& state) {
  testing::ScratchDirectory root("tellwick-bench");
  testing::ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", root.string());
  {
    os::bplist::Writer w;
    const std::uint64_t shared = w.addData(std::vector<std::uint8_t>(1'000'000, 7));
    std::vector<std::uint64_t> refs;
    for (int i = 0; i < 300; ++i) refs.push_back(w.addString("key" + std::to_string(i)));
    refs.insert(refs.end(), 300, shared);
    const auto bytes = w.finish(w.addContainer(os::bplist::kDictionary, refs));
    std::ofstream(root.string() + "/group.K7QZ2M4PXT.com.quorvane.helper.plist", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  HelperDataModel model(*defaults, *coder, [](const std::string&) {});
  const std::vector<Fan> fans{Fan("F0Ac", std::string("Left"), 1200, 1000, 6000, 2000)};
  for (auto _ : state) model.setFans(fans);
  state.counters["stored"] = model.fans() ? 1 : 0;
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_WriteBesideSharedValues)->Unit(benchmark::kMillisecond)->Iterations(3);

// A client reading the battery list a helper stored: 50,587 devices took a
// client 39 s when each element was looked up by index.
void BM_ReadSingleBatteryDevices(benchmark::State& state) {
  testing::ScratchDirectory root("tellwick-bench");
  testing::ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", root.string());
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  HelperDataModel model(*defaults, *coder);
  SingleBatteryDevices list;
  for (std::int64_t i = 0; i < state.range(0); ++i) {
    list.push_back(std::make_shared<SingleBatteryDevice>(
        "Device " + std::to_string(i), "AA:BB:CC:DD:EE:" + std::to_string(i % 100), 76,
        "Apple Inc.", 613, static_cast<std::uint8_t>(i % 101), std::string("Keyboard")));
  }
  model.setSingleBatteryDevices(list);
  for (auto _ : state) {
    auto back = model.singleBatteryDevices();
    if (!back || back->size() != list.size()) state.SkipWithError("lost the list");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadSingleBatteryDevices)->Arg(5'000)->Arg(50'587)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tellwick

BENCHMARK_MAIN();
