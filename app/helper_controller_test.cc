#include "app/helper_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_system_identification.h"
#include "tests/fakes/journal.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using testing::Journal;

// Each controller writes one list to the store it was given, so a test sees
// which store a controller holds by what it wrote.
struct StubSensors final : ISensorController {
  StubSensors(IHelperDataModel& m, std::string kind) : model(m), kind(std::move(kind)) {}
  void updateSensors() override { model.setSensors({Sensor(kind, kind, std::nullopt)}); }
  IHelperDataModel& model;
  std::string kind;
};
struct StubFans final : IFanController {
  explicit StubFans(IHelperDataModel& m) : model(m) {}
  void updateFans() override { model.setFans({}); }
  IHelperDataModel& model;
};
struct StubNetwork final : INetworkController {
  explicit StubNetwork(IHelperDataModel& m) : model(m) {}
  void updateTraffic() override { model.setTraffic({ProcessTrafficInfo(1, "init", 2, 3)}); }
  IHelperDataModel& model;
};
struct StubBatteries final : IBatteriesController {
  explicit StubBatteries(IHelperDataModel& m) : model(m) {}
  void updateBatteries() override {
    model.setSingleBatteryDevices({});
    model.setDoubleBatteryDevices({});
  }
  IHelperDataModel& model;
};

class RecordingParts final : public HelperParts {
 public:
  std::unique_ptr<IHelperDataModel> makeModel() override {
    journal.push_back("model");
    auto model = std::make_unique<testing::FakeHelperDataModel>();
    made = model.get();
    return model;
  }
  std::unique_ptr<ISensorController> makeAppleSensorController(IHelperDataModel& m) override {
    note("apple sensors", m);
    return std::make_unique<StubSensors>(m, "apple");
  }
  std::unique_ptr<ISensorController> makeIntelSensorController(IHelperDataModel& m) override {
    note("intel sensors", m);
    return std::make_unique<StubSensors>(m, "intel");
  }
  std::unique_ptr<INetworkController> makeNetworkController(IHelperDataModel& m) override {
    note("network", m);
    return std::make_unique<StubNetwork>(m);
  }
  std::unique_ptr<IFanController> makeFanController(IHelperDataModel& m) override {
    note("fans", m);
    return std::make_unique<StubFans>(m);
  }
  std::unique_ptr<IBatteriesController> makeBatteriesController(IHelperDataModel& m) override {
    note("batteries", m);
    return std::make_unique<StubBatteries>(m);
  }

  Journal journal;
  testing::FakeHelperDataModel* made = nullptr;

 private:
  void note(const char* what, IHelperDataModel& m) {
    journal.push_back(std::string(what) + (&m == made ? "" : " with a foreign store"));
  }
};

TEST(HelperControllerTest, BuildsInOrderAroundOneSharedStore) {
  RecordingParts parts;
  testing::FakeSystemIdentification system("x86_64");
  HelperController root(parts, system);

  EXPECT_THAT(parts.journal, ElementsAre("model", "intel sensors", "network", "fans", "batteries"));
  EXPECT_EQ(&root.model(), parts.made);
  EXPECT_EQ(system.calls(), 1);

  // What one controller stores is what the store reached from another holds.
  root.network().updateTraffic();
  root.sensors().updateSensors();
  root.fans().updateFans();
  root.batteries().updateBatteries();
  EXPECT_EQ(parts.made->writes(), 5);
  ASSERT_TRUE(root.model().traffic().has_value());
  EXPECT_EQ(root.model().traffic()->at(0).name(), "init");
  EXPECT_EQ(root.model().sensors()->at(0).identifier, "intel");
}

TEST(HelperControllerTest, OnlyArm64SelectsTheAppleSiliconSensors) {
  struct Case {
    const char* machine;
    const char* sensors;
  };
  for (auto c : {Case{"arm64", "apple sensors"}, Case{"x86_64", "intel sensors"},
                 Case{"i686", "intel sensors"}, Case{"armv7l", "intel sensors"},
                 Case{"", "intel sensors"}}) {
    RecordingParts parts;
    testing::FakeSystemIdentification system(c.machine);
    HelperController root(parts, system);
    ASSERT_EQ(parts.journal.size(), 5u);
    EXPECT_EQ(parts.journal[1], c.sensors) << "machine '" << c.machine << "'";
    EXPECT_EQ(parts.journal[3], "fans") << "fans come from the SMC on every machine";
  }
}

}  // namespace
}  // namespace tellwick
