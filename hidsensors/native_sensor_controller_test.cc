#include "hidsensors/native_sensor_controller.h"

#include <gmock/gmock.h>


#include "tests/fakes/fake_hid_event_system.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using testing::FakeHidEventSystem;

os::PlistArray strings(std::initializer_list<const char*> texts) { return {texts.begin(), texts.end()}; }

TEST(NativeSensorControllerTest, NamesAreReadOnceAndReadingsAfreshWithANewClientEachTime) {
  FakeHidEventSystem system;
  const int first = system.addThermal("A", 30);
  NativeSensorController reader(system);
  ASSERT_EQ(system.clientsCreated(), 3);

  system.addThermal("B", 31);
  system.setEventValue(first, os::kHidEventTypeTemperature, os::kHidTemperatureLevelField, 33.5);
  EXPECT_EQ(reader.thermalNames(), strings({"A"}));
  reader.refreshThermalSensors();
  EXPECT_THAT(*reader.refreshThermalSensors(), ElementsAre(33.5, 31));
  EXPECT_EQ(system.clientsCreated(), 5);
}

// A service without an event has no reading in its place.
TEST(NativeSensorControllerTest, EachGroupReadsItsOwnEventTypeAndField) {
  FakeHidEventSystem system;
  const int current = system.addCurrent("I", 2.25);
  const int voltage = system.addVoltage("V", 0.8);
  const int thermal = system.addThermal("T", 45);
  system.addThermal("no event", std::nullopt);
  system.addThermal("negative", -2.5);
  system.addVoltage("no event", std::nullopt);
  // Values under other types or fields must not leak into a group.
  system.setEventValue(current, os::kHidEventTypeTemperature, os::kHidTemperatureLevelField, 99);
  system.setEventValue(voltage, os::kHidEventTypePower, os::kHidPowerMeasureField + 1, 99);
  system.setEventValue(thermal, os::kHidEventTypePower, os::kHidPowerMeasureField, 99);
  NativeSensorController reader(system);

  EXPECT_THAT(*reader.refreshCurrentSensors(), ElementsAre(2.25));
  EXPECT_THAT(*reader.refreshVoltageSensors(), ElementsAre(0.8, std::nullopt));
  EXPECT_THAT(*reader.refreshThermalSensors(), ElementsAre(45, std::nullopt, -2.5));
  EXPECT_THAT(*reader.getPowerVoltageValues(NativeSensorController::matching(0xff00, 5)),
              ElementsAre(99, std::nullopt, std::nullopt));
}

TEST(NativeSensorControllerTest, NoServiceListIsNoneAndNoMatchIsEmpty) {
  FakeHidEventSystem system;
  system.addThermal("T", 45);
  system.setServiceListUnavailable(true);
  NativeSensorController unavailable(system);
  EXPECT_FALSE(unavailable.thermalNames());
  EXPECT_FALSE(unavailable.refreshThermalSensors());

  system.setServiceListUnavailable(false);
  EXPECT_TRUE(NativeSensorController(system).currentNames().value().empty());
}

}  // namespace
}  // namespace tellwick
