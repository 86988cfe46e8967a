// A desktop whose fans sit on a Super I/O hwmon chip; no applesmc.

#include <gmock/gmock.h>

#include "tests/smc/fan_text.h"
#include "tests/support/sysfs_machine_test.h"

namespace tellwick::testing {
namespace {

using ::testing::ElementsAre;

using DesktopHwmonTest = SysfsMachineTest;

// The chip has no labels, and no maximum or target.
TEST_F(DesktopHwmonTest, FansComeFromTheSuperIoChip) {
  EXPECT_EQ(fanText(fans()), "F0Ac Fan: 1046 300 0 0\nF1Ac Fan: 687 0 0 0\n");
}

TEST_F(DesktopHwmonTest, NoSmcKeysMeansAnEmptySensorAnswer) {
  EXPECT_TRUE(sensors().empty());
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseSensors"));
}

}  // namespace
}  // namespace tellwick::testing
