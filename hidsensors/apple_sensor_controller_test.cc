#include "hidsensors/apple_sensor_controller.h"

#include <gmock/gmock.h>

#include <string>
#include <tuple>

#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_hid_event_system.h"
#include "tests/fakes/fake_notification_center.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using testing::FakeHidEventSystem;

using Row = std::tuple<std::string, std::string, double>;

std::vector<Row> rows(const std::vector<Sensor>& sensors) {
  std::vector<Row> out;
  for (const auto& s : sensors) out.emplace_back(s.identifier, s.description, s.value.value_or(-1));
  return out;
}

class AppleSensorControllerTest : public ::testing::Test {
 protected:
  // Builds the reader now, so that services added afterwards are unnamed.
  AppleSensorController& controller() {
    if (!reader_) {
      reader_.emplace(system_);
      controller_.emplace(model_, center_, *reader_);
    }
    return *controller_;
  }
  std::vector<Row> update() {
    controller().updateSensors();
    return rows(model_.sensors().value());
  }

  testing::Journal journal_;
  FakeHidEventSystem system_;
  testing::FakeHelperDataModel model_{&journal_};
  testing::FakeNotificationCenter center_{&journal_};
  std::optional<NativeSensorController> reader_;
  std::optional<AppleSensorController> controller_;
};

// Each request names the services it reads, so one that came or went since
// start costs no group its answer and lends no name to another.
TEST_F(AppleSensorControllerTest, ServicesThatCameOrWentSinceStartKeepTheirOwnNames) {
  system_.addThermal("T1", 30);
  system_.addVoltage("V1", 1.1);
  const int gone = system_.addCurrent("I1", 1);
  system_.addCurrent("I2", 2);
  controller();

  system_.addThermal("T2", 31);
  system_.removeService(gone);

  EXPECT_THAT(update(), ElementsAre(Row{"appleCurrent001", "I2", 2}, Row{"appleThermal001", "T1", 30},
                                    Row{"appleThermal002", "T2", 31}, Row{"appleVoltage001", "V1", 1.1}));
}

TEST_F(AppleSensorControllerTest, StoresEvenAnEmptyListBeforePostingTheResponse) {
  system_.setServiceListUnavailable(true);
  EXPECT_TRUE(update().empty());
  EXPECT_THAT(journal_, ElementsAre("setSensors", "post ResponseSensors"));
  // Readings are sampled for every group even when none has names.
  EXPECT_EQ(system_.serviceListsCopied(), 6);
}

// Names and readings pair up by position; numbers count positions from 001.
TEST(MakeSensorsTest, PairsNamesWithReadingsByPosition) {
  // A non-string name skips its position but uses up its number.
  const os::PlistArray mixed = {os::PlistValue("first"), os::PlistValue(std::int64_t{12}), os::PlistValue("third")};
  EXPECT_THAT(rows(AppleSensorController::makeSensors(mixed, {1, 2, 3}, "appleThermal")),
              ElementsAre(Row{"appleThermal001", "first", 1}, Row{"appleThermal003", "third", 3}));

  const auto sensors = AppleSensorController::makeSensors(os::PlistArray(1000, os::PlistValue("s")),
                                                          SensorReadings(1000, 0.5), "appleVoltage");
  ASSERT_EQ(sensors.size(), 1000u);
  EXPECT_EQ(sensors[998].identifier, "appleVoltage999");
  EXPECT_EQ(sensors[999].identifier, "appleVoltage1000");
}

}  // namespace
}  // namespace tellwick
