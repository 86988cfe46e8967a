// The traffic sampler against real processes: a scripted nettop on PATH and
// the Linux nettop's exit status.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "os/process/process_runner.h"
#include "platform/shell.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"
#include "traffic/network_controller.h"

namespace tellwick {
namespace {

using testing::pathWithPrefix;
using testing::processEnvironment;
using testing::ScopedEnvironmentVariable;

class TrafficIntegrationTest : public ::testing::Test {
 protected:
  testing::ScratchDirectory scratch_{"traffic"};
  std::unique_ptr<os::ProcessRunner> runner_ = os::newLinuxProcessRunner();
  testing::FakeHelperDataModel model_;
  testing::FakeNotificationCenter center_;
  NetworkController controller_{model_, center_, *runner_, processEnvironment()};
};

TEST_F(TrafficIntegrationTest, ScriptedNettopOnPathDrivesTheStore) {
  ScopedEnvironmentVariable path("PATH", pathWithPrefix(scratch_.string()));
  // The tool sees the sampler's arguments and the fixed locale.
  scratch_.writeScript("nettop", R"(echo ,bytes_in,bytes_out,; echo "$LC_ALL.$#,10,20,"
args="$*"; echo "${args//,/+}.1,0,0,")");
  controller_.updateTraffic();
  ASSERT_EQ(model_.traffic().value_or(std::vector<ProcessTrafficInfo>{}).size(), 2u);
  EXPECT_EQ((*model_.traffic())[0].name(), "en_US.UTF-8");
  EXPECT_EQ((*model_.traffic())[1].name(), "-L 1 -P -x -J bytes_in+bytes_out");

  scratch_.writeScript("nettop", "echo ,bytes_in,bytes_out,; echo lost.2,1,1,; exit 1");
  controller_.updateTraffic();
  EXPECT_EQ(model_.writes(), 1) << "a failed run leaves the last sample in place";
  EXPECT_EQ(center_.postedNames(), std::vector<std::string>(2, "ResponseTraffic"));
}

}  // namespace
}  // namespace tellwick
