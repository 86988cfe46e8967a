// The battery request with a connected pair of earbuds, through the real
// helper and the Linux system_profiler on a mock BlueZ: their advertisement
// already on the bus, and found by a discovery the request starts (the mock
// answers 200 ms after discovery starts, as earbuds that advertise five
// times a second would at worst), or not found at all (the whole discovery
// window); and, to compare, a keyboard alone. Time to the response, p50 and
// p99.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "bench/served_helper.h"
#include "tests/support/mock_bluez.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kAdvertiser = "5A:16:2B:91:D1:CD";
constexpr const char* kAdvertisement = "4c000719010e20519a983300040c14e0eb433f4b22c0a9edcb33e70971";

enum class Setting { keyboardAlone, onTheBus, byDiscovery, nothingFound };

struct Rig : tellwick::testing::ServedHelper {
  tellwick::testing::MockBluez bluez{"adapter"};

  explicit Rig(Setting setting) : ServedHelper("tellwick-earbuds") {
    const std::string advertise = std::string(kAdvertiser) + " " + kAdvertisement;
    const std::string device =
        setting == Setting::keyboardAlone
            ? "device AA:BB:CC:DD:EE:01 Keyboard --battery 85 --connected --modalias usb:v05ACp0267d0001"
            : "device 00:1A:7D:DA:71:13 Buds --battery 70 --connected --modalias bluetooth:v004Cp200Ed0001";
    if (!bluez.ready() || !bluez.script(device) ||
        ((setting == Setting::onTheBus || setting == Setting::byDiscovery) &&
         !bluez.script(setting == Setting::onTheBus ? "advertise " + advertise
                                                    : "advertise-on-discovery " + advertise + " --delay 200"))) {
      error = "the mock BlueZ did not start";
      return;
    }
    auto environment = storeAndPath();
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address());
    environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + bluez.address());
    start({std::string(TELLWICK_BIN_DIR) + "/tellwick"}, environment);
  }
};

void BatteryRequest(benchmark::State& state, Setting setting) {
  Rig rig(setting);
  if (!rig.error.empty()) {
    state.SkipWithError(rig.error.c_str());
    return;
  }
  auto& center = rig.client->notificationCenter();
  int answered = 0;
  center.addObserver(&answered, "ResponseBatteries", std::nullopt,
                     [&](const tellwick::os::Notification&) { ++answered; });
  std::vector<double> millis;
  for (auto _ : state) {
    // What discovery found last time goes, so that each request discovers.
    if (setting == Setting::byDiscovery && answered > 0) rig.bluez.script(std::string("forget ") + kAdvertiser);
    int before = answered;
    auto start = std::chrono::steady_clock::now();
    center.post("RequestBatteries", std::nullopt);
    rig.client->flush();
    if (!rig.client->runUntil([&] { return answered > before; }, 30s)) {
      state.SkipWithError("no response");
      break;
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    millis.push_back(took.count() * 1000);
  }
  center.removeObserver(&answered, "ResponseBatteries");
  if (millis.empty()) return;
  std::sort(millis.begin(), millis.end());
  auto at = [&](double q) { return millis[static_cast<std::size_t>(q * static_cast<double>(millis.size() - 1))]; };
  state.counters["p50_ms"] = at(0.50);
  state.counters["p99_ms"] = at(0.99);
}

BENCHMARK_CAPTURE(BatteryRequest, keyboard_alone, Setting::keyboardAlone)
    ->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BatteryRequest, advertisement_on_the_bus, Setting::onTheBus)
    ->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BatteryRequest, found_by_discovery, Setting::byDiscovery)
    ->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BatteryRequest, nothing_found, Setting::nothingFound)
    ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
