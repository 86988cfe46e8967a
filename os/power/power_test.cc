// The power-source and registry contract against the in-memory fakes; the
// Linux implementations run the same suite under umockdev
// (tests/power_linux_test.cc).

#include <memory>

#include "tests/fakes/fake_io_registry.h"
#include "tests/fakes/fake_power_sources.h"
#include "tests/power_contract.h"

namespace tellwick::testing {
namespace {

class FakeWorld final : public PowerWorld {
 public:
  FakeWorld() {
    battery_ = sources_.add(os::PlistDictionary{
        {"Name", "BAT0"}, {"Is Charging", true}, {"Power Source State", "AC Power"}});
    smartBattery_ = registry_.add("AppleSmartBattery",
                                  {{"Voltage", 12600}, {"Amperage", 1131}, {"CycleCount", 123}},
                                  registry_.addController("AppleSMC"));
    mouse_ = registry_.add("IOHIDUserDevice", {{"PhysicalDeviceUniqueID", "F0:B3:EC:01:02:03"},
                                               {"PrimaryUsage", 2},
                                               {"Manufacturer", "Logitech Inc."}});
    const auto keyboard =
        registry_.add("IOHIDUserDevice", {{"PhysicalDeviceUniqueID", "F0T1234ABCD"},
                                          {"PrimaryUsage", 6},
                                          {"Manufacturer", "Apple Inc."}});
    mouseBattery_ =
        registry_.add("AppleDeviceManagementHIDEventService", {{"Product", "MX Master 3"}}, mouse_);
    registry_.add("AppleDeviceManagementHIDEventService", {{"Product", "Magic Keyboard"}},
                  keyboard);
    const os::PlistDictionary maker = {{"ManufacturerString", "Logitech Inc."}};
    mouseRadio_ = registry_.add("AppleHSBluetoothDevice",
                                {{"Descriptors", os::PlistDictionary{{"DeviceDescriptor", maker}}}});
  }
  os::PowerSources& powerSources() override { return sources_; }
  os::IoRegistry& registry() override { return registry_; }
  void unplugAdapter() override { sources_.set(battery_, "Power Source State", "Battery Power"); }
  void breakBatteryVoltage() override {
    registry_.erase(smartBattery_, "Voltage");
    registry_.erase(smartBattery_, "Amperage");
  }
  void removeMouse() override {
    registry_.remove(mouse_);
    registry_.remove(mouseBattery_);
    registry_.remove(mouseRadio_);
  }

 private:
  FakePowerSources sources_;
  FakeIoRegistry registry_;
  int battery_ = 0;
  os::RegistryEntry smartBattery_ = 0, mouse_ = 0, mouseBattery_ = 0, mouseRadio_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Fake, PowerContract,
                         ::testing::Values([] { return std::make_unique<FakeWorld>(); }));

}  // namespace
}  // namespace tellwick::testing
