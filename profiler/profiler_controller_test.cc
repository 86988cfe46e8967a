#include "profiler/profiler_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_process_runner.h"

namespace tellwick {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

class ProfilerControllerTest : public ::testing::Test {
 protected:
  testing::FakeProcessRunner runner_;
  std::vector<std::string> environment_ = {"PATH=/usr/bin", "LC_ALL=de_DE.UTF-8"};
  ProfilerController controller_{runner_, environment_, Services::bluetooth()};
};

TEST_F(ProfilerControllerTest, RunsTheToolForItsServiceThroughTheShellInEnglishAndParsesTheReport) {
  runner_.install("/bin/bash", "Bluetooth:\n\n      Connected:\n          Mouse:\n"
                               "              Battery Level: 85%\n");
  EXPECT_EQ(controller_.run().description(),
            "Bluetooth:\n  Connected:\n    Mouse:\n      Battery Level: 85%\n");

  ASSERT_EQ(runner_.calls().size(), 1u);
  const auto& call = runner_.calls()[0];
  EXPECT_THAT(call.argv, ElementsAre("/bin/bash", "-c", "system_profiler SPBluetoothDataType"));
  EXPECT_THAT(call.environment, Contains("LC_ALL=en_US.UTF-8"));
  EXPECT_THAT(call.environment, Not(Contains("LC_ALL=de_DE.UTF-8")));
  EXPECT_THAT(call.environment, Contains("PATH=/usr/bin"));
}

TEST_F(ProfilerControllerTest, FailedOrUnreadableRunGivesAnEmptyTree) {
  runner_.install("/bin/bash", "Bluetooth:\n  Name: x\n", 1);
  EXPECT_TRUE(controller_.run().nodes().empty());
  runner_.install("/bin/bash", "Bluetooth:\n  Name: \xFF\xFE\n");
  EXPECT_TRUE(controller_.run().nodes().empty());

  ProfilerController unknown(runner_, environment_, Service("SPNoSuchDataType"));
  runner_.install("/bin/bash", "");
  EXPECT_TRUE(unknown.run().nodes().empty());
  EXPECT_EQ(runner_.calls().back().argv.back(), "system_profiler SPNoSuchDataType");
}

}  // namespace
}  // namespace tellwick
