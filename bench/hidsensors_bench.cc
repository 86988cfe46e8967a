#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/umockdev_main.h"
#include "hidsensors/apple_sensor_controller.h"
#include "hidsensors/native_sensor_controller.h"
#include "os/sensors/hid_event_system.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_hid_event_system.h"
#include "tests/fakes/fake_notification_center.h"

namespace tellwick {
namespace {

// Start-up on the Apple silicon path: open the sensors, read the three name lists.
void BM_OpenAndReadNames(benchmark::State& state) {
  for (auto _ : state) {
    auto opening = os::newLinuxHidEventSystem(std::string(TELLWICK_HID_CONFIG));
    if (!opening) {
      state.SkipWithError(opening.error().c_str());
      return;
    }
    NativeSensorController reader(**opening);
    benchmark::DoNotOptimize(reader.thermalNames());
  }
}
BENCHMARK(BM_OpenAndReadNames)->Unit(benchmark::kMicrosecond);

// One sensor request on the device tree: six channels read from sysfs files.
void BM_SensorRequestOnHwmon(benchmark::State& state) {
  auto opening = os::newLinuxHidEventSystem(std::string(TELLWICK_HID_CONFIG));
  if (!opening) {
    state.SkipWithError(opening.error().c_str());
    return;
  }
  NativeSensorController reader(**opening);
  testing::FakeHelperDataModel model;
  testing::FakeNotificationCenter center;
  AppleSensorController controller(model, center, reader);
  for (auto _ : state) controller.updateSensors();
}
BENCHMARK(BM_SensorRequestOnHwmon)->Unit(benchmark::kMicrosecond);

// The controller's own work (pairing, naming, sorting) for many services.
void BM_SensorRequestOverFake(benchmark::State& state) {
  testing::FakeHidEventSystem system;
  for (int i = 0; i < state.range(0); ++i) {
    // Descending names make the sort do real work.
    const std::string name = "PMU tdie" + std::to_string(state.range(0) - i);
    switch (i % 3) {
      case 0:
        system.addThermal(name, 40 + i * 0.01);
        break;
      case 1:
        system.addVoltage(name, 0.8);
        break;
      default:
        system.addCurrent(name, 1.5);
        break;
    }
  }
  NativeSensorController reader(system);
  testing::FakeHelperDataModel model;
  testing::FakeNotificationCenter center;
  AppleSensorController controller(model, center, reader);
  for (auto _ : state) controller.updateSensors();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SensorRequestOverFake)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tellwick

int main(int argc, char** argv) {
  return tellwick::bench::runOverDeviceTree(argc, argv, TELLWICK_HID_FIXTURE);
}
