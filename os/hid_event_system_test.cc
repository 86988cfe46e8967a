// The event system contract against the in-memory fake; the Linux
// implementation runs the same suite under umockdev (tests/hid_linux_test.cc).

#include <map>
#include <memory>
#include <string>

#include "tests/fakes/fake_hid_event_system.h"
#include "tests/hid_event_system_contract.h"

namespace tellwick::testing {
namespace {

class FakeWorld final : public HidEventSystemWorld {
 public:
  FakeWorld() {
    thermal_["cpu_thermal temp1"] = system_.addThermal("cpu_thermal temp1", 48.312);
    thermal_["nvme Composite"] = system_.addThermal("nvme Composite", 38.85);
    thermal_["nvme Sensor 1"] = system_.addThermal("nvme Sensor 1", 41.85);
    thermal_["nvme Sensor 2"] = system_.addThermal("nvme Sensor 2", std::nullopt);
    system_.addVoltage("ina226 in1", 5.084);
    system_.addCurrent("ina226 curr1", 1.25);
  }
  os::HidEventSystem& system() override { return system_; }
  void setTemperature(const std::string& product, double celsius) override {
    system_.setEventValue(thermal_.at(product), os::kHidEventTypeTemperature,
                          os::kHidTemperatureLevelField, celsius);
  }
  void breakTemperature(const std::string& product) override {
    system_.removeEvents(thermal_.at(product));
  }

 private:
  FakeHidEventSystem system_;
  std::map<std::string, int> thermal_;
};

INSTANTIATE_TEST_SUITE_P(Fake, HidEventSystemContract,
                         ::testing::Values(HidEventSystemWorldFactory{
                             "Fake", [] { return std::make_unique<FakeWorld>(); }}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tellwick::testing
