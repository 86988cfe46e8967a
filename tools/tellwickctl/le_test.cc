#include "tools/tellwickctl/le.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "battery/low_energy_persistency.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/support/scratch_config_home.h"
#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {
namespace {

TEST(TellwickctlLe, MonitorAndUnmonitorTakeOneAddress) {
  // "action address" (action: 0 watch, 1 monitor, 2 unmonitor), or "refused".
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"le"}, "0 "}, {{"le", "monitor", "c0:ff:ee:00:00:01"}, "1 C0:FF:EE:00:00:01"},
      {{"le", "unmonitor", "C0:FF:EE:00:00:01"}, "2 C0:FF:EE:00:00:01"},
      {{"le", "monitor"}, "refused"}, {{"le", "monitor", "C0:FF:EE:00:00"}, "refused"},
      {{"le", "monitor", "C0:FF:EE:00:00:0G"}, "refused"}, {{"le", "scan"}, "refused"},
  };
  for (const auto& [words, expected] : cases) {
    auto invocation = lowEnergyInvocation({words, {}});
    EXPECT_EQ(invocation ? std::to_string(static_cast<int>(invocation->action)) + " " + invocation->address : "refused",
              expected)
        << ::testing::PrintToString(words);
  }
  CommandLine printing{{"le", "monitor", "C0:FF:EE:00:00:01"}, {}};
  printing.options.json = true;
  EXPECT_FALSE(lowEnergyInvocation(printing)) << "monitor prints nothing";
}

TEST(TellwickctlLe, MonitorAndUnmonitorEditTheStoredList) {
  testing::ScratchConfigHome home;
  auto monitored = [] {
    auto coder = os::newLinuxPropertyListCoder();
    auto domain = os::newLinuxUserDefaults(*coder)->openSuite(programDefaultsSuite());
    LowEnergyPersistency persistency(*domain);
    return persistency.monitoredDevices();
  };
  std::ostringstream out, err;
  Context io{out, err};
  EXPECT_EQ(runCommandLine(io, {"le", "monitor", "c0:ff:ee:00:00:01"}), 0);
  EXPECT_EQ(monitored(), std::vector<std::string>{"C0:FF:EE:00:00:01"});
  EXPECT_EQ(runCommandLine(io, {"le", "unmonitor", "C0:FF:EE:00:00:01"}), 0);
  EXPECT_TRUE(monitored().empty());
}

TEST(TellwickctlLe, HostileNamesStayOnTheirLine) {
  auto device = std::make_shared<LowEnergyDevice>("C0:FF:EE:00:00:01",
                                                  "\x1b[2J\nEvil \xff name that runs on and on", 0);
  device->setBatteryLevel(55);
  LowEnergyDevices devices{device};
  testing::FakeResourceBundle bundle;
  const std::string table = lowEnergyTable(devices, bundle);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2);
  EXPECT_EQ(table.find('\x1b'), std::string::npos);
  const std::string json = lowEnergyJsonLine(devices, bundle);
  EXPECT_EQ(json.find('\n'), json.size() - 1);
  EXPECT_NE(json.find("\"batteryLevel\":55"), std::string::npos);
}

}  // namespace
}  // namespace tellwick::ctl
