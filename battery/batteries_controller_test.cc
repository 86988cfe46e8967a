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

TEST(BatteriesControllerTest, SplitsDevicesByClassKeepingOrderThenStoresBeforePosting) {
  ScriptedFinder finder;
  testing::FakeHelperDataModel model{&finder.journal};
  testing::FakeNotificationCenter center{&finder.journal};
  BatteriesController controller{model, center, finder};
  const auto single = [](std::string s) {
    return std::make_shared<SingleBatteryDevice>("s", s, 0, "?", 0, 50, std::nullopt);
  };
  const auto pair = [](std::string s) {
    return std::make_shared<DoubleBatteryDevice>("d", s, "?", 0, 1, 2, std::nullopt);
  };
  finder.next = {single("a"), pair("b"), std::make_shared<BatteryDevice>(DeviceType::mouse, "x"),
                  single("c"), pair("d")};
  controller.updateBatteries();
  EXPECT_THAT(serialsOf(*model.singleBatteryDevices()), ElementsAre("a", "c"));
  EXPECT_THAT(serialsOf(*model.doubleBatteryDevices()), ElementsAre("b", "d"));
  EXPECT_THAT(finder.journal, ElementsAre("refresh", "setSingleBatteryDevices",
                                           "setDoubleBatteryDevices", "post ResponseBatteries"));
  EXPECT_EQ(center.posted()[0].object, std::nullopt);

  // No devices still stores two empty lists and answers.
  finder.next = {};
  controller.updateBatteries();
  EXPECT_TRUE(model.singleBatteryDevices()->empty() && model.doubleBatteryDevices()->empty());
  EXPECT_EQ(center.posted().size(), 2u);
}

}  // namespace
}  // namespace tellwick
