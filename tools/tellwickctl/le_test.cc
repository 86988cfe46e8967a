#include "tools/tellwickctl/le.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick::ctl {
namespace {

TEST(TellwickctlLe, Arguments) {
  using A = LowEnergyInvocation::Action;
  const struct {
    std::vector<std::string> arguments;
    std::optional<A> action;  // nullopt: a usage error
    std::string address = {};
    long timeoutMs = 10000;
  } cases[] = {
      {{}, A::watch}, {{"--json", "--once", "--timeout", "2.5"}, A::watch, "", 2500},
      {{"monitor", "c0:ff:ee:00:00:01"}, A::monitor, "C0:FF:EE:00:00:01"},
      {{"unmonitor", "C0:FF:EE:00:00:01"}, A::unmonitor, "C0:FF:EE:00:00:01"},
      {{"monitor"}, std::nullopt}, {{"monitor", "C0:FF:EE:00:00"}, std::nullopt},
      {{"monitor", "C0:FF:EE:00:00:0G"}, std::nullopt}, {{"monitor", "C0:FF:EE:00:00:01", "--json"}, std::nullopt},
      {{"scan"}, std::nullopt}, {{"--timeout", "0"}, std::nullopt}, {{"--timeout"}, std::nullopt},
      {{"--fast"}, std::nullopt},
  };
  for (const auto& c : cases) {
    auto parsed = parseLowEnergyArguments(c.arguments);
    ASSERT_EQ(parsed.invocation.has_value(), c.action.has_value()) << parsed.error;
    if (!c.action) {
      EXPECT_FALSE(parsed.error.empty());
      continue;
    }
    EXPECT_EQ(parsed.invocation->action, *c.action);
    EXPECT_EQ(parsed.invocation->address, c.address);
    EXPECT_EQ(parsed.invocation->timeout.count(), c.timeoutMs);
    EXPECT_EQ(parsed.invocation->json, std::ranges::count(c.arguments, "--json") > 0);
    EXPECT_EQ(parsed.invocation->once, std::ranges::count(c.arguments, "--once") > 0);
  }
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
  EXPECT_NE(json.find("\"hardwareRevision\":null"), std::string::npos);
  EXPECT_NE(json.find("\"symbol\":\"dot.radiowaves.right\""), std::string::npos);
}

}  // namespace
}  // namespace tellwick::ctl
