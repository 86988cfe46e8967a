#include "tools/tellwickctl/le.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "battery/low_energy_persistency.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/support/scratch_config_home.h"

namespace tellwick::ctl {
namespace {

TEST(TellwickctlLe, Arguments) {
  // "action address timeout json once" (action: 0 watch, 1 monitor, 2 unmonitor), or "usage".
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "0  10000 0 0"}, {{"--json", "--once", "--timeout", "2.5"}, "0  2500 1 1"},
      {{"monitor", "c0:ff:ee:00:00:01"}, "1 C0:FF:EE:00:00:01 10000 0 0"},
      {{"unmonitor", "C0:FF:EE:00:00:01"}, "2 C0:FF:EE:00:00:01 10000 0 0"},
      {{"monitor"}, "usage"}, {{"monitor", "C0:FF:EE:00:00"}, "usage"}, {{"monitor", "C0:FF:EE:00:00:0G"}, "usage"},
      {{"monitor", "C0:FF:EE:00:00:01", "--json"}, "usage"}, {{"scan"}, "usage"}, {{"--timeout", "2s"}, "usage"},
  };
  for (const auto& [arguments, expected] : cases) {
    auto parsed = parseLowEnergyArguments(arguments);
    const auto& i = parsed.invocation;
    EXPECT_EQ(!i ? (parsed.error.empty() ? "usage without a reason" : "usage")
                 : std::to_string(static_cast<int>(i->action)) + " " + i->address + " " +
                       std::to_string(i->timeout.count()) + " " + std::to_string(i->json) + " " + std::to_string(i->once),
              expected)
        << ::testing::PrintToString(arguments);
  }
}

TEST(TellwickctlLe, MonitorAndUnmonitorEditTheStoredList) {
  testing::ScratchConfigHome home;
  auto monitored = [] {
    auto coder = os::newLinuxPropertyListCoder();
    auto domain = os::newLinuxUserDefaults(*coder)->openSuite(programDefaultsSuite());
    LowEnergyPersistency persistency(*domain);
    return persistency.monitoredDevices();
  };
  EXPECT_EQ(runLowEnergy({"monitor", "c0:ff:ee:00:00:01"}), 0);
  EXPECT_EQ(monitored(), std::vector<std::string>{"C0:FF:EE:00:00:01"});
  EXPECT_EQ(runLowEnergy({"unmonitor", "C0:FF:EE:00:00:01"}), 0);
  EXPECT_TRUE(monitored().empty());
}

TEST(TellwickctlLe, HostileNamesStayOnTheirLine) {
  auto device = std::make_shared<LowEnergyDevice>("C0:FF:EE:00:00:01",
                                                  "\x1b[2J\nEvil \xff name that runs on and on", 0);
  device->setBatteryLevel(55);
  LowEnergyDevices devices{device};
  DeviceCatalogue catalogue;
  testing::FakeResourceBundle bundle;
  const std::string table = lowEnergyTable(devices, catalogue, bundle);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2);
  EXPECT_EQ(table.find('\x1b'), std::string::npos);
  const std::string json = lowEnergyJsonLine(devices, catalogue, bundle);
  EXPECT_EQ(json.find('\n'), json.size() - 1);
  EXPECT_NE(json.find("\"batteryLevel\":55"), std::string::npos);
}

}  // namespace
}  // namespace tellwick::ctl
