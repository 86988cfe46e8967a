#include "protocol/helper_data_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/sensor_kit_constants.h"
#include "tests/fakes/memory_user_defaults.h"

namespace tellwick {
namespace {

using os::PlistArray;
using os::PlistDictionary;
using os::PlistValue;

class HelperDataModelTest : public ::testing::Test {
 protected:
  os::PlistDictionary& domain() { return defaults_.contents(std::string(SensorKitConstants::appGroup)); }
  const PlistValue* stored(std::string_view key) { return os::findKey(domain(), key); }
  void put(std::string key, PlistValue value) {
    std::erase_if(domain(), [&](const auto& entry) { return entry.first == key; });
    domain().emplace_back(std::move(key), std::move(value));
  }
  void putEncoded(std::string key, const PlistValue& list) { put(std::move(key), coder_->encode(list).value()); }

  testing::MemoryUserDefaults defaults_;
  std::unique_ptr<os::PropertyListCoder> coder_ = os::newLinuxPropertyListCoder();
  std::vector<std::string> reports_;
  HelperDataModel model_{defaults_, *coder_, [this](const std::string& line) { reports_.push_back(line); }};
};

// A stored empty list is not an absent one.
TEST_F(HelperDataModelTest, AWriteReplacesTheListAndClearRemovesOnlyOurKeys) {
  EXPECT_EQ(model_.fans(), std::nullopt);
  model_.setSensors({Sensor("TC0P", "CPU", 40.0)});
  model_.setSensors({Sensor("TG0P", "GPU", std::nullopt), Sensor("PSTR", "Power", 3.5)});
  model_.setTraffic({ProcessTrafficInfo(1, "launchd", 10, 20)});
  model_.setFans({});
  model_.setSingleBatteryDevices({});
  model_.setDoubleBatteryDevices({});
  EXPECT_EQ(model_.sensors().value().at(1).value, 3.5);
  EXPECT_TRUE(model_.fans().value().empty());

  put("someoneElses", PlistValue("kept"));
  ASSERT_EQ(domain().size(), 6u);
  model_.clear();
  EXPECT_FALSE(model_.sensors());
  ASSERT_EQ(domain().size(), 1u) << "clear removes every key of ours and nothing else";
  EXPECT_EQ(domain()[0].first, "someoneElses");
}

TEST_F(HelperDataModelTest, WhatCannotBeReadAsTheListIsAbsentAndLeftInPlace) {
  put("traffic", PlistValue("not data"));
  put("fans", PlistValue(std::int64_t{3}));
  put("doubleBatteryDevices", os::PlistData{'j', 'u', 'n', 'k'});
  putEncoded("singleBatteryDevices", PlistDictionary{});
  putEncoded("sensors", PlistArray{PlistDictionary{{"Description", "no identifier"}}});
  EXPECT_FALSE(model_.traffic() || model_.fans() || model_.sensors() ||
               model_.singleBatteryDevices() || model_.doubleBatteryDevices());
  EXPECT_EQ(*stored("traffic"), PlistValue("not data"));
}

TEST_F(HelperDataModelTest, ReportsEachKindOfFailureOnceUntilItClearsAndKeepsWhyAReadFailed) {
  defaults_.failWrites = true;
  model_.setFans({});
  model_.setFans({});
  model_.setTraffic({});
  EXPECT_EQ(reports_, std::vector<std::string>{"cannot store the answer: writes fail"});
  EXPECT_EQ(model_.takeWriteFailure(), "writes fail") << "told to the client every time";
  EXPECT_EQ(model_.takeWriteFailure(), std::nullopt);
  defaults_.failWrites = false;
  model_.setFans({});
  defaults_.failWrites = true;
  model_.setFans({});
  EXPECT_EQ(reports_.size(), 2u) << "a failure after a success is news again";

  EXPECT_FALSE(model_.sensors());
  EXPECT_EQ(model_.readFailure(SensorDataModelKey::sensors), std::nullopt) << "nothing stored";
  defaults_.failReads = true;
  EXPECT_FALSE(model_.sensors());
  EXPECT_EQ(model_.readFailure(SensorDataModelKey::sensors), "reads fail");
}

TEST_F(HelperDataModelTest, WithoutItsSuiteItSkipsWritesAndReadsNothing) {
  defaults_.refusedSuites.insert(std::string(SensorKitConstants::appGroup));
  HelperDataModel model(defaults_, *coder_, [this](const std::string& line) { reports_.push_back(line); });
  EXPECT_FALSE(model.hasUserDefaults());
  EXPECT_EQ(reports_.size(), 1u);
  model.setFans({});
  EXPECT_EQ(model.takeWriteFailure(), "the shared store cannot be opened");
  model.clear();
  EXPECT_FALSE(model.fans());
  EXPECT_EQ(defaults_.writes, 0);
  EXPECT_EQ(defaults_.reads, 0);
}

}  // namespace
}  // namespace tellwick
