// The LE finder under load: value events for 10,000 connected devices on
// the fake central and clock, and what each device costs in memory.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <random>

#include "battery/low_energy_finder.h"
#include "tests/fakes/fake_bluetooth_central.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/fakes/memory_user_defaults.h"

namespace tellwick {
namespace {

constexpr int kDevices = 10'000;

class NullDelegate final : public LowEnergyDelegate {
 public:
  void devicesDidUpdate() override { ++updates; }
  void centralStateDidUpdate(os::CentralState) override {}
  long updates = 0;
};

std::string address(int i) {
  char text[18];
  std::snprintf(text, sizeof text, "C0:00:00:%02X:%02X:%02X", (i >> 16) & 0xff, (i >> 8) & 0xff,
                i & 0xff);
  return text;
}

// A finder with n connected devices whose services are known.
struct Rig {
  explicit Rig(int n) {
    domain = defaults.openSuite("bench");
    persistency = std::make_unique<LowEnergyPersistency>(*domain);
    finder = std::make_unique<LowEnergyFinder>(central, clock, *persistency, catalogue, bundle, nullptr);
    finder->setDelegate(&delegate);
    for (int i = 0; i < n; ++i) {
      ids.push_back(address(i));
      auto& p = central.peripheral(ids.back());
      p.name = "Device " + std::to_string(i);
      p.connectedToSystem = true;
      p.offeredServices = {"180F", "180A"};
    }
    finder->retrieveConnectedDevices();
    for (const auto& id : ids) {
      central.connected(id);
      central.servicesDiscovered(id, std::vector<std::string>{"180F", "180A"});
    }
    central.clearCalls();
  }

  testing::FakeBluetoothCentral central;
  testing::FakeClock clock;
  testing::MemoryUserDefaults defaults;
  testing::FakeResourceBundle bundle;
  DeviceCatalogue catalogue;
  NullDelegate delegate;
  std::unique_ptr<os::UserDefaultsDomain> domain;
  std::unique_ptr<LowEnergyPersistency> persistency;
  std::unique_ptr<LowEnergyFinder> finder;
  std::vector<std::string> ids;
};

void BM_ValueEvents(benchmark::State& state) {
  Rig rig(kDevices);
  std::mt19937 random(42);
  std::uniform_int_distribution<int> which(0, kDevices - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  const char* characteristics[] = {"2A19", "2A19", "2A19", "2A24", "2A26", "2A27", "2A29"};
  const std::vector<std::uint8_t> text = {'M', '-', '1', '0', '0'};
  std::size_t n = 0;
  for (auto _ : state) {
    const char* c = characteristics[n++ % 7];
    std::vector<std::uint8_t> value =
        c[3] == '9' && c[2] == '1'
            ? std::vector<std::uint8_t>{static_cast<std::uint8_t>(byte(random))}
            : text;
    rig.central.valueUpdated(rig.ids[which(random)], c, value);
    rig.clock.advance(0.0005);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["notifications"] = static_cast<double>(rig.delegate.updates);
}
BENCHMARK(BM_ValueEvents);

void BM_DiscoveryOfKnownDevices(benchmark::State& state) {
  Rig rig(kDevices);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> which(0, kDevices - 1);
  const os::AdvertisementData advertisement{true, std::vector<std::uint8_t>{0x4C, 0x00}, -60};
  for (auto _ : state) rig.central.discover(rig.ids[which(random)], advertisement);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DiscoveryOfKnownDevices);

// One refresh over 10,000 connected devices: retrieval, a battery read
// request per device, the staleness sweep.
void BM_Refresh(benchmark::State& state) {
  Rig rig(kDevices);
  for (auto _ : state) {
    rig.finder->refresh();
    state.PauseTiming();
    rig.central.clearCalls();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kDevices);
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMillisecond);

// Heap bytes per device: the finder's device, its index entry and its
// share of the list, with every text field filled.
void BM_MemoryPerDevice(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    testing::FakeBluetoothCentral central;  // built outside the measurement
    for (int i = 0; i < kDevices; ++i) {
      auto& p = central.peripheral(address(i));
      p.name = "Device " + std::to_string(i);
      p.connectedToSystem = true;
      p.offeredServices = {"180F"};
    }
    testing::FakeClock clock;
    testing::MemoryUserDefaults defaults;
    testing::FakeResourceBundle bundle;
    DeviceCatalogue catalogue;
    auto domain = defaults.openSuite("bench");
    LowEnergyPersistency persistency(*domain);
    state.ResumeTiming();
    const auto before = mallinfo2().uordblks;
    {
      LowEnergyFinder finder(central, clock, persistency, catalogue, bundle, nullptr);
      finder.retrieveConnectedDevices();
      for (const auto& d : finder.devices()) {
        const std::string& id = d->serial();
        central.connected(id);
        for (const char* c : {"2A24", "2A25", "2A26", "2A27", "2A28", "2A29"}) {
          central.valueUpdated(id, c, std::vector<std::uint8_t>{'v', 'a', 'l', 'u', 'e', '-', '1'});
        }
        central.valueUpdated(id, "2A19", std::vector<std::uint8_t>{80});
      }
      // The fake central's own bookkeeping of requests is not the finder's.
      const auto callBytes =
          central.calls.capacity() * sizeof(std::string) + central.calls.size() * 48;
      const auto after = mallinfo2().uordblks;
      state.counters["bytes_per_device"] =
          (static_cast<double>(after - before) - static_cast<double>(callBytes)) / kDevices;
      central.clearCalls();
    }
  }
}
BENCHMARK(BM_MemoryPerDevice)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tellwick

BENCHMARK_MAIN();
