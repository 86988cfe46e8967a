#include "smc/intel_sensor_controller.h"

#include <gmock/gmock.h>

#include <cmath>
#include <sstream>

#include "tests/fakes/emulated_smc.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_notification_center.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

// One line per sensor: identifier, description, value.
std::string text(const std::vector<Sensor>& sensors) {
  std::ostringstream out;
  for (const auto& s : sensors) out << s.identifier << " " << s.description << " " << *s.value << "\n";
  return out.str();
}

class IntelSensorControllerTest : public ::testing::Test {
 protected:
  IntelSensorControllerTest() {
    smc_.set("TC0P", "sp78", {0x2A, 0x80});  // 42.5
    smc_.set("TG0P", "sp78", {0x00, 0x00});  // reads 0 for now
    smc_.set("VD0R", "sp4b", {0x60, 0x00});  // 12.0
    smc_.set("IC0R", "sp5a", {0x08, 0x00});  // 2.0
    smc_.setFloat("PSTR", 18.25f);
    smc_.set("TB0T", "ui16", {0x00, 0x20});  // a type nobody decodes
  }

  // The catalogue lists temperatures, voltages, currents, powers; some keys
  // this machine does not have.
  std::vector<Sensor> catalogue_ = {
      {"TC0P", "CPU Proximity", std::nullopt}, {"TZ9Z", "Missing", std::nullopt}, {"TG0P", "GPU Proximity", std::nullopt},
      {"TB0T", "Battery", std::nullopt}, {"VD0R", "DC In", std::nullopt}, {"IC0R", "CPU Rail", std::nullopt},
      {"PSTR", "System Total", std::nullopt}};

  std::vector<Sensor> update() {
    controller_->updateSensors();
    return model_.sensors().value_or(std::vector<Sensor>{});
  }

  testing::Journal journal_;
  testing::EmulatedSmc smc_;
  testing::FakeHelperDataModel model_{&journal_};
  testing::FakeNotificationCenter center_{&journal_};
  std::optional<IntelSensorController> controller_{std::in_place, model_, center_, smc_};
};

// Positive readings with their description, then the answer; keys are
// skipped per request while not positive; not-a-number is reported.
TEST_F(IntelSensorControllerTest, ReportsPositiveReadingsAndSkipsKeysPerRequestWhileNotPositive) {
  controller_->start(catalogue_);
  EXPECT_EQ(text(update()),
            "TC0P CPU Proximity 42.5\nVD0R DC In 12\nIC0R CPU Rail 2\nPSTR System Total 18.25\n");
  EXPECT_THAT(journal_, ElementsAre("setSensors", "post ResponseSensors"));
  smc_.set("TC0P", "sp78", {0xFF, 0x80});  // -0.5
  EXPECT_EQ(text(update()), "VD0R DC In 12\nIC0R CPU Rail 2\nPSTR System Total 18.25\n");

  smc_.set("TC0P", "sp78", {0x2A, 0x80});
  smc_.set("TG0P", "sp78", {0x30, 0x00});
  smc_.erase("VD0R");
  smc_.setFloat("PSTR", NAN);
  EXPECT_EQ(
      text(update()),
      "TC0P CPU Proximity 42.5\nTG0P GPU Proximity 48\nIC0R CPU Rail 2\nPSTR System Total nan\n");

  EXPECT_EQ(controller_->availableSensors().size(), 5u);
}

TEST_F(IntelSensorControllerTest, ProbesOnceAndRequestsReadOnlyAvailableKeys) {
  controller_->start(catalogue_);
  EXPECT_EQ(smc_.callsFor("TZ9Z"), 1);
  smc_.set("TZ9Z", "sp78", {0x20, 0x00});  // appears after start: never offered
  smc_.keysRead.clear();
  update();
  EXPECT_EQ(smc_.callsFor("TZ9Z"), 0);
  EXPECT_EQ(smc_.callsFor("TB0T"), 0);
  EXPECT_EQ(smc_.keysRead.size(), 10u);  // info and bytes for each of five keys
}

TEST_F(IntelSensorControllerTest, WithoutServiceEveryRequestStoresAnEmptyList) {
  smc_.hasService = false;
  controller_->start(catalogue_);
  EXPECT_TRUE(update().empty());
  EXPECT_THAT(center_.postedNames(), ElementsAre("ResponseSensors"));
}

TEST_F(IntelSensorControllerTest, TeardownClosesTheConnectionAndClearsTheStore) {
  controller_->start(catalogue_);
  update();
  model_.setFans({});
  EXPECT_EQ(smc_.openConnections(), 1u);
  controller_.reset();
  EXPECT_EQ(smc_.openConnections(), 0u);
  EXPECT_FALSE(model_.sensors());
  EXPECT_FALSE(model_.fans());
}

}  // namespace
}  // namespace tellwick
