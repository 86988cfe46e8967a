#include "app/helper_controller.h"

#include <gmock/gmock.h>

#include <string>

#include "tests/fakes/emulated_smc.h"
#include "tests/fakes/fake_hid_event_system.h"
#include "tests/fakes/fake_main_queue.h"
#include "tests/fakes/fake_notification_center.h"
#include "tests/fakes/fake_process_runner.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/fakes/fake_system_identification.h"
#include "tests/fakes/memory_user_defaults.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

// The real controllers over in-memory machine services: what lands in the
// store tells which controller answered.
class HelperControllerTest : public ::testing::Test {
 protected:
  HelperControllerTest() {
    bundle_.addResource("Temperatures.json", R"([{"Identifier":"TC0P","Description":"CPU"}])");
    smc_.set("TC0P", "sp78", {0x2A, 0x80});  // 42.5
    smc_.set("FNum", "ui8 ", {1});
    smc_.setFloat("F0Ac", 2000);
    runner_.install("/bin/bash", [](const testing::FakeProcessRunner::Call& call) {
      return testing::FakeProcessRunner::Outcome{call.argv.back().starts_with("nettop") ? "h\nd.12,1,2,\n" : ""};
    });
  }

  std::unique_ptr<HelperController> build(const std::string& machine, bool smc = true) {
    system_.setMachine(machine);
    auto openHid = [this]() -> os::Result<std::unique_ptr<os::HidEventSystem>> {
      ++hidOpenings_;
      auto hid = std::make_unique<testing::FakeHidEventSystem>();
      hid->addThermal("PMU tdie1", 40.0);
      return std::unique_ptr<os::HidEventSystem>(std::move(hid));
    };
    HelperServices services{center_, defaults_,    *coder_, smc_, runner_, bundle_, environment_,
                            openHid, [this, smc] { return ++smcProbes_, smc; }};
    return std::make_unique<HelperController>(services, system_);
  }

  testing::FakeNotificationCenter center_;
  testing::MemoryUserDefaults defaults_;
  std::unique_ptr<os::PropertyListCoder> coder_ = os::newLinuxPropertyListCoder();
  testing::EmulatedSmc smc_;
  testing::FakeMainQueue queue_;
  testing::FakeProcessRunner runner_{&queue_};
  testing::FakeResourceBundle bundle_;
  std::vector<std::string> environment_ = {"PATH=/usr/bin"};
  testing::FakeSystemIdentification system_;
  int hidOpenings_ = 0, smcProbes_ = 0;
};

TEST_F(HelperControllerTest, TheControllerServesSensorsOnlyOffArm64WhereThereIsOne) {
  struct Case {
    const char* machine;
    bool smc;
    const char* sensor;
  } const cases[] = {{"arm64", true, "appleThermal001"}, {"arm64", false, "appleThermal001"},
                     {"x86_64", true, "TC0P"},           {"x86_64", false, "appleThermal001"},
                     {"armv7l", true, "TC0P"},           {"", true, "TC0P"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.machine) + (c.smc ? " with" : " without") + " an SMC");
    hidOpenings_ = smcProbes_ = 0;
    auto root = build(c.machine, c.smc);
    root->sensors().updateSensors();
    root->fans().updateFans();
    ASSERT_EQ(root->model().sensors().value_or(std::vector<Sensor>{}).size(), 1u);
    EXPECT_EQ(root->model().sensors()->at(0).identifier, c.sensor);
    EXPECT_EQ(hidOpenings_, c.sensor[0] == 'a' ? 1 : 0);
    EXPECT_EQ(smcProbes_, std::string(c.machine) == "arm64" ? 0 : 1);
    EXPECT_EQ(root->model().fans()->size(), 1u) << "fans come from the SMC on every machine";
  }
}

TEST_F(HelperControllerTest, AHungToolHoldsOnlyItsOwnCategoryAndOnlyUntilItsDeadline) {
  auto root = build("x86_64");
  root->network().updateTraffic();
  queue_.runAll();
  runner_.installHanging("/bin/bash");

  root->network().updateTraffic();
  root->batteries().updateBatteries();
  root->fans().updateFans();
  queue_.runAll();
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseTraffic", "ResponseFans"));
  EXPECT_EQ(runner_.hungRuns(), 2u);
  runner_.expireHung();
  queue_.runAll();
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseTraffic", "ResponseFans",
                                                 "ResponseTraffic", "ResponseBatteries"));
  EXPECT_EQ(root->model().traffic()->at(0).pid(), 12u) << "the last good sample is kept";
}

}  // namespace
}  // namespace tellwick
