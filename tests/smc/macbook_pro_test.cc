// An Intel MacBook Pro running Linux: applesmc with two fans and a dozen
// temperature keys, and the CPU's own coretemp chip beside it.

#include <gmock/gmock.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "os/files/resource_bundle.h"
#include "os/sensors/smc_user_client.h"
#include "protocol/sensors.h"
#include "smc/fan_controller.h"
#include "smc/intel_sensor_controller.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/smc/fan_text.h"

namespace tellwick::testing {
namespace {

using ::testing::ElementsAre;

// The two controllers as the helper builds them, over the Linux controller
// reading the /sys that umockdev-run stands in for this process.
class MacBookProTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Outside umockdev-run these would read this computer's own sensors.
    if (!std::getenv("UMOCKDEV_DIR")) GTEST_SKIP() << "needs umockdev-run";
    smc_ = os::newLinuxSmcUserClient();
  }

  std::vector<Fan> fans() {
    FanController controller(model_, center_, *smc_, shipped());
    controller.updateFans();
    return model_.fans().value();
  }

  // The shipped catalogue, probed at start as the composition root does.
  std::vector<Sensor> sensors() {
    IntelSensorController controller(model_, center_, *smc_);
    controller.start(Sensors::all(shipped()));
    controller.updateSensors();
    // Read before the controller's teardown clears the store.
    return model_.sensors().value();
  }

  // The catalogue and texts the build tree carries.
  static const os::ResourceBundle& shipped() { return os::installedBundle(); }

  FakeHelperDataModel model_;
  FakeNotificationCenter center_;
  std::unique_ptr<os::SmcUserClient> smc_;
};

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
