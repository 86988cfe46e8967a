// The Linux power sources and registry over laptop device trees laid out as
// the kernel lays them out; runs under umockdev-wrapper, a fresh test bed per
// test.

#include "tests/power_contract.h"
#include "tests/umockdev_testbed.h"

namespace tellwick::testing {
namespace {

const std::string kFixtures = std::string(TELLWICK_FIXTURES_DIR) + "/power/";
const std::string kAdapter = "/sys/devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0003:00/power_supply/AC";
const std::string kBat0 =
    "/sys/devices/LNXSYSTM:00/LNXSYBUS:00/PNP0A08:00/device:19/PNP0C09:00/PNP0C0A:00/"
    "power_supply/BAT0";
const std::string kMouse =
    "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-10/1-10:1.0/bluetooth/hci0/hci0:256/"
    "0005:046D:B023.0004";

std::optional<std::string> logitechOnly(std::uint16_t vendor) {
  if (vendor == 0x046D) return "Logitech Inc.";
  return std::nullopt;
}

class LinuxWorld final : public PowerWorld {
 public:
  LinuxWorld()
      : bed_(kFixtures + "laptop-energy.umockdev"),
        sources_(os::newLinuxPowerSources()),
        registry_(os::newLinuxIoRegistry(logitechOnly)) {}
  os::PowerSources& powerSources() override { return *sources_; }
  os::IoRegistry& registry() override { return *registry_; }
  void unplugAdapter() override {
    umockdev_testbed_set_attribute(bed_.bed(), kAdapter.c_str(), "online", "0\n");
  }
  void breakBatteryVoltage() override { bed_.failAttribute(kBat0, "voltage_now"); }
  void removeMouse() override { umockdev_testbed_remove_device(bed_.bed(), kMouse.c_str()); }

 private:
  Testbed bed_;
  std::unique_ptr<os::PowerSources> sources_;
  std::unique_ptr<os::IoRegistry> registry_;
};

INSTANTIATE_TEST_SUITE_P(Linux, PowerContract,
                         ::testing::Values([] { return std::make_unique<LinuxWorld>(); }));

TEST(LinuxRegistry, AnOversizedReportDescriptorGivesNoUsage) {
  Testbed bed(kFixtures + "laptop-energy.umockdev");
  std::vector<guint8> huge = {0x05, 0x01, 0x09, 0x02};  // a mouse, but far too long
  huge.resize(5000);
  umockdev_testbed_set_attribute_binary(bed.bed(), kMouse.c_str(), "report_descriptor", huge.data(),
                                        huge.size());
  auto registry = os::newLinuxIoRegistry(logitechOnly);
  auto bluetooth = registry->matchingServices("AppleHSBluetoothDevice");
  ASSERT_TRUE(bluetooth.ok() && bluetooth->size() == 1u);
  EXPECT_FALSE(registry->property(bluetooth->front(), "PrimaryUsage"));
  EXPECT_EQ(registry->property(bluetooth->front(), "Manufacturer"),
            std::optional<os::PlistValue>("Logitech Inc."));
}

}  // namespace
}  // namespace tellwick::testing
