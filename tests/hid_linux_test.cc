// The Linux event system over a real hwmon tree: runs under
// `umockdev-run --device tests/fixtures/hid/arm64-hwmon.umockdev`, which
// redirects /sys to the fixture, so libsensors reads real files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hidsensors/native_sensor_controller.h"
#include "os/sensors/hid_event_system.h"
#include "tests/hid_event_system_contract.h"

namespace tellwick::testing {
namespace {

const std::string kFixtures = std::string(TELLWICK_FIXTURES_DIR) + "/hid/";

std::unique_ptr<os::HidEventSystem> machine() {
  auto opening = os::newLinuxHidEventSystem(kFixtures + "empty-sensors.conf");
  EXPECT_TRUE(opening) << opening.error();
  return opening ? std::move(*opening) : nullptr;
}

INSTANTIATE_TEST_SUITE_P(Linux, HidEventSystemContract,
                         ::testing::Values(HidEventSystemWorldFactory{"Linux", machine}),
                         [](const auto& info) { return info.param.name; });

TEST(LinuxHidEventSystemTest, OpeningReportsConfigurationProblemsAndOneOwnerAtATime) {
  const auto missing = os::newLinuxHidEventSystem(kFixtures + "no-such.conf");
  EXPECT_FALSE(missing);
  EXPECT_THAT(missing.error(), ::testing::HasSubstr("no-such.conf: No such file or directory"));

  // A bad line is skipped, as the command-line tools do, and reported.
  std::vector<std::string> warnings;
  auto broken = os::newLinuxHidEventSystem(kFixtures + "broken-sensors.conf", &warnings);
  ASSERT_TRUE(broken) << broken.error();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_THAT(warnings[0], ::testing::MatchesRegex(".*broken-sensors.conf:[0-9]+: .+"));

  const auto second = os::newLinuxHidEventSystem(kFixtures + "empty-sensors.conf");
  EXPECT_FALSE(second);
  EXPECT_THAT(second.error(), ::testing::HasSubstr("already open"));

  broken->reset();
  EXPECT_TRUE(os::newLinuxHidEventSystem(kFixtures + "empty-sensors.conf"));
}

}  // namespace
}  // namespace tellwick::testing
