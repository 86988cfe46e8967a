// An Intel MacBook Pro running Linux: applesmc with two fans and a dozen
// temperature keys, and the CPU's own coretemp chip beside it.

#include <gmock/gmock.h>

#include "tests/support/sysfs_machine_test.h"

namespace tellwick::testing {
namespace {

using ::testing::ElementsAre;

using MacBookProTest = SysfsMachineTest;

TEST_F(MacBookProTest, FansAreApplesmcsWithTrimmedLabels) {
  auto list = fans();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].identifier, "F0Ac");
  EXPECT_EQ(list[0].name, "Left side");
  EXPECT_EQ(list[0].rpm, 2161);
  EXPECT_EQ(list[0].min, 2160);
  EXPECT_EQ(list[0].max, 6156);
  EXPECT_EQ(list[0].target, 2160);
  EXPECT_EQ(list[1].identifier, "F1Ac");
  EXPECT_EQ(list[1].name, "Right side");
  EXPECT_EQ(list[1].rpm, 1999);
  EXPECT_EQ(list[1].max, 5700);
  EXPECT_EQ(list[1].target, 2000);
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseFans"));
}

TEST_F(MacBookProTest, SensorsAreTheCataloguedKeysReadingAboveZero) {
  auto list = sensors();
  std::vector<std::string> ids;
  for (const auto& s : list) ids.push_back(s.identifier);
  // Catalogue order; TB2T reads 0 and is left out; no voltage, current or
  // power key exists in sysfs.
  EXPECT_THAT(ids, ElementsAre("TA0P", "TB0T", "TB1T", "TC0D", "TC0E", "TC0F", "TC0P", "TG0D",
                               "TG0P", "TM0P", "Ts0P"));
  EXPECT_EQ(list[0].description, "Ambient Air");
  EXPECT_EQ(list[0].value, 31.25);
  EXPECT_EQ(list[6].value, 46.5);
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseSensors"));
}

}  // namespace
}  // namespace tellwick::testing
