// The event system contract against the in-memory fake; the Linux
// implementation runs the same suite under umockdev (tests/hwmon_test.cc).

#include <memory>

#include "tests/fakes/fake_hid_event_system.h"
#include "tests/hid_event_system_contract.h"

namespace tellwick::testing {
namespace {

std::unique_ptr<os::HidEventSystem> machine() {
  auto system = std::make_unique<FakeHidEventSystem>();
  system->addThermal("cpu_thermal temp1", 48.312);
  system->addThermal("nvme Composite", 38.85);
  system->addThermal("nvme Sensor 1", 41.85);
  system->addThermal("nvme Sensor 2", std::nullopt);
  system->addVoltage("ina226 in1", 5.084);
  system->addCurrent("ina226 curr1", 1.25);
  return system;
}

INSTANTIATE_TEST_SUITE_P(Fake, HidEventSystemContract, ::testing::Values(machine));

}  // namespace
}  // namespace tellwick::testing
