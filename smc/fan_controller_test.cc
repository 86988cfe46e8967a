#include "smc/fan_controller.h"

#include <gmock/gmock.h>

#include "tests/fakes/emulated_smc.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

// One line per fan: "identifier name: rpm min max target", so a whole
// answer compares as one string.
std::string fanText(const std::vector<Fan>& fans) {
  std::string out;
  for (const Fan& f : fans) {
    out += f.identifier + " " + f.name + ": " + std::to_string(f.rpm) + " " +
           std::to_string(f.min) + " " + std::to_string(f.max) + " " + std::to_string(f.target) +
           "\n";
  }
  return out;
}

// F%dID: four leading bytes the controller skips, then twelve name bytes.
std::vector<std::uint8_t> descriptor(std::string_view name) {
  std::vector<std::uint8_t> bytes = {0x00, 0x10, 0x03, 0x00};
  for (std::size_t i = 0; i < 12; ++i) bytes.push_back(i < name.size() ? name[i] : ' ');
  return bytes;
}

class FanControllerTest : public ::testing::Test {
 protected:
  void addFan(int index, std::string_view name, float rpm, float min, float max, float target) {
    std::string i = "F" + std::to_string(index);
    smc_.set(i + "ID", "{fds", descriptor(name));
    for (auto [key, value] : {std::pair{"Ac", rpm}, {"Mn", min}, {"Mx", max}, {"Tg", target}}) {
      smc_.setFloat(i + key, value);
    }
  }

  std::vector<Fan> update() {
    controller_.updateFans();
    return model_.fans().value_or(std::vector<Fan>{});
  }

  testing::Journal journal_;
  testing::EmulatedSmc smc_;
  testing::FakeHelperDataModel model_{&journal_};
  testing::FakeNotificationCenter center_{&journal_};
  testing::FakeResourceBundle bundle_;
  FanController controller_{model_, center_, smc_, bundle_};

  static constexpr const char* kFanText = "Ventilateur";
  FanControllerTest() { bundle_.setString("protocol", "FAN", kFanText); }
};

TEST_F(FanControllerTest, ReportsEveryFanInIndexOrderThenPosts) {
  smc_.set("FNum", "ui8 ", {2});
  addFan(0, "Left side", 2000, 1200, 6000, 2100);
  addFan(1, "Right side", 1999.9f, 1200, 6500, 0);
  EXPECT_EQ(fanText(update()),
            "F0Ac Left side: 2000 1200 6000 2100\nF1Ac Right side: 1999 1200 6500 0\n");
  EXPECT_THAT(journal_, ElementsAre("setFans", "post ResponseFans"));
}

TEST_F(FanControllerTest, NoFanCountOrServiceStoresAnEmptyListAndStillAnswers) {
  EXPECT_TRUE(update().empty());
  smc_.hasService = false;
  FanController(model_, center_, smc_, bundle_).updateFans();
  EXPECT_THAT(journal_, ElementsAre("setFans", "post ResponseFans", "setFans", "post ResponseFans"));
}

TEST_F(FanControllerTest, NamesAreTrimmedLatin1KeepingInnerBytes) {
  smc_.set("FNum", "ui8 ", {5});
  smc_.set("F0ID", "{fds", descriptor("Exhaust01   "));
  smc_.set("F1ID", "{fds", descriptor("            "));
  smc_.set("F2ID", "{fds", descriptor("\t\xA0Ventil\xE9 A\xA0 "));
  smc_.set("F3ID", "{fds", descriptor(std::string_view("CPU\0fan", 7)));
  smc_.set("F4ID", "{fds", {0x00, 0x00, 0x00, 0x00, 'O', 'd', 'd'});
  std::vector<std::string> names;
  for (const Fan& fan : update()) names.push_back(fan.name);
  EXPECT_THAT(names, ElementsAre("Exhaust01", kFanText, "Ventil\u00E9 A", std::string("CPU\0fan", 7),
                                 std::string("Odd\0\0\0\0\0\0\0\0\0", 12)));
}

// Speeds truncate toward zero whatever their type; unreadable or
// unrepresentable ones are zero and the fan stays listed.
TEST_F(FanControllerTest, SpeedsTruncateAndUnreadableOnesAreZero) {
  smc_.set("FNum", "ui8 ", {4});
  smc_.set("F0Ac", "fpe2", {0x1F, 0x41});  // 2000.25
  smc_.setFloat("F0Mn", -0.5f);
  smc_.setFloat("F0Mx", 2999.75f);
  smc_.set("F0Tg", "sp78", {0xFE, 0x80});  // -1.5
  addFan(1, "Main", 1800, 1000, 5000, 1800);
  smc_.erase("F1Mn");
  smc_.set("F1Tg", "ui16", {0x07, 0x08});
  smc_.setFloat("F1Mx", NAN);
  addFan(2, "Hot", INFINITY, 1e30f, -1e30f, 1);
  // The count may exceed the fans the controller holds: the extra one is all zeros.
  EXPECT_EQ(fanText(update()),
            "F0Ac Ventilateur: 2000 0 2999 -1\nF1Ac Main: 1800 0 0 0\nF2Ac Hot: 0 0 0 1\n"
            "F3Ac Ventilateur: 0 0 0 0\n");
}

TEST_F(FanControllerTest, EveryRequestReadsAfreshAndLeavesOutAFanWhoseSpeedDidNotCome) {
  smc_.set("FNum", "ui8 ", {2});
  addFan(0, "A", 1000, 0, 0, 0);
  addFan(1, "B", 2000, 0, 0, 0);
  smc_.timeOut.insert("F0Ac");
  model_.failWrites = "disk full";
  EXPECT_EQ(fanText(update()), "F1Ac B: 2000 0 0 0\n");
  EXPECT_EQ(center_.posted().back().object, "disk full");
  smc_.timeOut.clear();
  smc_.set("FNum", "ui8 ", {1});
  smc_.setFloat("F0Ac", 1500);
  EXPECT_EQ(fanText(update()), "F0Ac A: 1500 0 0 0\n");
  // The count is the first byte whatever its type.
  smc_.set("FNum", "flag", {200, 7});
  EXPECT_EQ(update().size(), 200u);
}

}  // namespace
}  // namespace tellwick
