#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/umockdev_main.h"
#include "os/sensors/smc_user_client.h"
#include "smc/fan_controller.h"
#include "smc/intel_sensor_controller.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

const std::string kAppleSmc = "/sys/devices/platform/applesmc.768/";

// The dozen temperature keys of the device tree, as the catalogue lists them.
std::vector<Sensor> catalogue() {
  std::vector<Sensor> sensors;
  for (const char* key : {"TA0P", "TB0T", "TB1T", "TB2T", "TC0D", "TC0E", "TC0F", "TC0P", "TG0D",
                          "TG0P", "TM0P", "Ts0P"}) {
    sensors.emplace_back(key, key, std::nullopt);
  }
  return sensors;
}

// What a reader that knew the paths beforehand would pay: open, read, close
// and parse each file.
long long readNumber(const std::string& path) {
  char buffer[64];
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
  ::close(fd);
  if (n <= 0) return -1;
  buffer[n] = '\0';
  return std::strtoll(buffer, nullptr, 10);
}

void BM_UpdateFans(benchmark::State& state) {
  auto smc = os::newLinuxSmcUserClient();
  testing::FakeHelperDataModel model;
  testing::FakeNotificationCenter center;
  testing::FakeResourceBundle bundle;
  FanController controller(model, center, *smc, bundle);
  for (auto _ : state) controller.updateFans();
  if (model.fans()->size() != 2) state.SkipWithError("the device tree should have two fans");
}
BENCHMARK(BM_UpdateFans);

void BM_DirectFanFiles(benchmark::State& state) {
  long long sum = 0;
  for (auto _ : state) {
    for (const char* fan : {"fan1_", "fan2_"}) {
      for (const char* what : {"label", "input", "min", "max", "output"}) {
        sum += readNumber(kAppleSmc + fan + what);
      }
    }
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_DirectFanFiles);

void BM_UpdateSensors(benchmark::State& state) {
  auto smc = os::newLinuxSmcUserClient();
  testing::FakeHelperDataModel model;
  testing::FakeNotificationCenter center;
  IntelSensorController controller(model, center, *smc);
  controller.start(catalogue());
  for (auto _ : state) controller.updateSensors();
  if (model.sensors()->size() != 11) state.SkipWithError("expected eleven positive readings");
}
BENCHMARK(BM_UpdateSensors);

void BM_DirectTemperatureFiles(benchmark::State& state) {
  long long sum = 0;
  for (auto _ : state) {
    for (int channel = 1; channel <= 12; ++channel) {
      sum += readNumber(kAppleSmc + "temp" + std::to_string(channel) + "_input");
    }
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_DirectTemperatureFiles);

}  // namespace
}  // namespace tellwick

int main(int argc, char** argv) {
  return tellwick::bench::runOverDeviceTree(argc, argv, TELLWICK_SMC_FIXTURE);
}
