// The battery request end to end over real processes: scripted
// system_profilers on PATH, and the Linux system_profiler reading
// python3-dbusmock's BlueZ on a private system bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battery/batteries_controller.h"
#include "battery/shell_controller.h"
#include "os/process/process_runner.h"
#include "platform/shell.h"
#include "profiler/profiler_controller.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/support/mock_bluez.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using testing::MockBluez;

using ScopedEnv = testing::ScopedEnvironmentVariable;
using testing::pathWithPrefix;
using testing::processEnvironment;

class ProfilerIntegrationTest : public ::testing::Test {
 protected:
  testing::ScratchDirectory scratch_{"profiler"};
  std::unique_ptr<os::ProcessRunner> runner_ = os::newLinuxProcessRunner();
  testing::FakeHelperDataModel model_;
  testing::FakeNotificationCenter center_;
  testing::FakeResourceBundle bundle_;
  ProfilerController bluetooth_{*runner_, processEnvironment(), Services::bluetooth()};
  ShellController finder_{bluetooth_, bundle_};
  BatteriesController batteries_{model_, center_, finder_};
};

TEST_F(ProfilerIntegrationTest, ScriptedProfilerOnPathFillsBothLists) {
  // The report only comes out in English: the tool must see the override.
  scratch_.writeScript("system_profiler", R"([ "$1" = SPBluetoothDataType ] || exit 2
[ "$LC_ALL" = en_US.UTF-8 ] || exit 3
cat <<'EOF'
Bluetooth:

      Connected:
          Studio Buds:
              Address: 00:1A:7D:DA:71:13
              Vendor ID: 0x004C
              Product ID: 0x200E
              Case Battery Level: 60%
              Left Battery Level: 100%
              Right Battery Level: 90%
EOF)");
  ScopedEnv path("PATH", pathWithPrefix(scratch_.string()));
  ScopedEnv language("LC_ALL", "fr_FR.UTF-8");

  batteries_.updateBatteries();

  ASSERT_TRUE(model_.singleBatteryDevices() && model_.doubleBatteryDevices());
  EXPECT_EQ(model_.singleBatteryDevices()->at(0)->serial(), "case_00-1a-7d-da-71-13");
  EXPECT_EQ(model_.doubleBatteryDevices()->at(0)->serial(), "00-1a-7d-da-71-13");
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseBatteries"));
}

class LinuxSystemProfilerTest : public ProfilerIntegrationTest {
 protected:
  ScopedEnv path_{"PATH", pathWithPrefix(TELLWICK_BIN_DIR)};
  ProfilerController profiler_{*runner_, processEnvironment(), Services::bluetooth()};
};

TEST_F(LinuxSystemProfilerTest, WithoutBlueZTheReportIsTheTitleAlone) {
  MockBluez bus("none");
  ASSERT_TRUE(bus.ready());
  ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", bus.address());
  EXPECT_EQ(profiler_.run().description(), "Bluetooth:\n");
}

TEST_F(LinuxSystemProfilerTest, WithoutASystemBusItFailsWithOneLine) {
  ScopedEnv address("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + scratch_.string() + "/no-such-socket");
  EXPECT_TRUE(profiler_.run().nodes().empty());
  const std::string out =
      Shell::run(*runner_, processEnvironment(),
                 {"-c", "system_profiler SPBluetoothDataType 2>&1 >/dev/null; echo $?"})
          .value_or("");
  EXPECT_TRUE(out.starts_with("system_profiler: cannot connect to the system bus")) << out;
  EXPECT_TRUE(out.ends_with("\n1\n") && std::count(out.begin(), out.end(), '\n') == 2) << out;
}

}  // namespace
}  // namespace tellwick
