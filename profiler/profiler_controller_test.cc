#include "profiler/profiler_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_process_runner.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

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

  const auto& call = runner_.calls().at(0);
  EXPECT_THAT(call.argv, ElementsAre("/bin/bash", "-c", "system_profiler SPBluetoothDataType"));
  EXPECT_THAT(call.environment, ElementsAre("PATH=/usr/bin", "LC_ALL=en_US.UTF-8"));

  // A failed or unreadable run gives an empty tree.
  runner_.install("/bin/bash", "Bluetooth:\n  Name: x\n", 1);
  EXPECT_TRUE(controller_.run().nodes().empty());
  runner_.install("/bin/bash", "Bluetooth:\n  Name: \xFF\xFE\n");
  EXPECT_TRUE(controller_.run().nodes().empty());
}

}  // namespace
}  // namespace tellwick
