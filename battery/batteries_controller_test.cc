#include "battery/batteries_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/journal.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

// A finder whose next refresh yields a scripted list.
class ScriptedFinder final : public IShellController {
 public:
  const BatteryDevices& devices() const override { return devices_; }
  void readNodes(const OutputNodes&) override {}
  void refresh() override {
    journal.push_back("refresh");
    devices_ = next;
  }

  testing::Journal journal;
  BatteryDevices next;

 private:
  BatteryDevices devices_;
};

std::vector<std::string> serialsOf(const auto& devices) {
  std::vector<std::string> out;
  for (const auto& d : devices) out.push_back(d->serial());
  return out;
}

class BatteriesControllerTest : public ::testing::Test {
 protected:
  std::shared_ptr<SingleBatteryDevice> single(std::string serial) {
    return std::make_shared<SingleBatteryDevice>("s", std::move(serial), 0, "?", 0, 50,
                                                 std::nullopt);
  }
  std::shared_ptr<DoubleBatteryDevice> pair(std::string serial) {
    return std::make_shared<DoubleBatteryDevice>("d", std::move(serial), "?", 0, 1, 2,
                                                 std::nullopt);
  }

  ScriptedFinder finder_;
  testing::FakeHelperDataModel model_{&finder_.journal};
  testing::FakeNotificationCenter center_{&finder_.journal};
  BatteriesController controller_{model_, center_, finder_};
};

TEST_F(BatteriesControllerTest, SplitsDevicesByClassKeepingOrderThenStoresBeforePosting) {
  finder_.next = {single("a"), pair("b"), std::make_shared<BatteryDevice>(DeviceType::mouse, "x"),
                  single("c"), pair("d")};
  controller_.updateBatteries();
  EXPECT_THAT(serialsOf(*model_.singleBatteryDevices()), ElementsAre("a", "c"));
  EXPECT_THAT(serialsOf(*model_.doubleBatteryDevices()), ElementsAre("b", "d"));
  EXPECT_THAT(finder_.journal, ElementsAre("refresh", "setSingleBatteryDevices",
                                           "setDoubleBatteryDevices", "post ResponseBatteries"));
  EXPECT_EQ(center_.posted()[0].object, std::nullopt);

  // No devices still stores two empty lists and answers.
  finder_.next = {};
  controller_.updateBatteries();
  EXPECT_TRUE(model_.singleBatteryDevices()->empty() && model_.doubleBatteryDevices()->empty());
  EXPECT_EQ(center_.posted().size(), 2u);
}

}  // namespace
}  // namespace tellwick
