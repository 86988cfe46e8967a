// An Intel MacBook Pro running Linux: applesmc with two fans and a dozen
// temperature keys, and the CPU's own coretemp chip beside it.

#include <gmock/gmock.h>

#include "tests/smc/fan_text.h"
#include "tests/support/sysfs_machine_test.h"

namespace tellwick::testing {
namespace {

using ::testing::ElementsAre;

using MacBookProTest = SysfsMachineTest;

TEST_F(MacBookProTest, FansAreApplesmcsWithTrimmedLabels) {
  EXPECT_EQ(fanText(fans()),
            "F0Ac Left side: 2161 2160 6156 2160\nF1Ac Right side: 1999 2000 5700 2000\n");
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
  EXPECT_EQ(list[0].value, 31.25);
}

}  // namespace
}  // namespace tellwick::testing
