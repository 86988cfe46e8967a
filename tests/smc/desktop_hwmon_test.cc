// A desktop whose fans sit on a Super I/O hwmon chip; no applesmc.

#include <gmock/gmock.h>

#include "tests/support/sysfs_machine_test.h"

namespace tellwick::testing {
namespace {

using ::testing::ElementsAre;

using DesktopHwmonTest = SysfsMachineTest;

TEST_F(DesktopHwmonTest, FansComeFromTheSuperIoChip) {
  auto list = fans();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].identifier, "F0Ac");
  EXPECT_EQ(list[0].name, "Fan");  // the chip has no labels
  EXPECT_EQ(list[0].rpm, 1046);
  EXPECT_EQ(list[0].min, 300);
  EXPECT_EQ(list[0].max, 0);
  EXPECT_EQ(list[0].target, 0);
  EXPECT_EQ(list[1].identifier, "F1Ac");
  EXPECT_EQ(list[1].rpm, 687);
}

TEST_F(DesktopHwmonTest, NoSmcKeysMeansAnEmptySensorAnswer) {
  EXPECT_TRUE(sensors().empty());
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseSensors"));
}

}  // namespace
}  // namespace tellwick::testing
