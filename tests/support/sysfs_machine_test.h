#ifndef TELLWICK_TESTS_SUPPORT_SYSFS_MACHINE_TEST_H_
#define TELLWICK_TESTS_SUPPORT_SYSFS_MACHINE_TEST_H_

#include <gtest/gtest.h>

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

namespace tellwick::testing {

// The two controllers as the helper builds them, over the Linux controller
// reading the /sys that umockdev-run stands in for this process.
class SysfsMachineTest : public ::testing::Test {
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

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_SUPPORT_SYSFS_MACHINE_TEST_H_
