#ifndef TELLWICK_TESTS_HID_EVENT_SYSTEM_CONTRACT_H_
#define TELLWICK_TESTS_HID_EVENT_SYSTEM_CONTRACT_H_

// What every HidEventSystem must do, run against the fake and against the
// Linux implementation over the arm64 hwmon device tree in
// tests/fixtures/hid/arm64-hwmon.umockdev. Both present the same machine:
//
//   chip cpu_thermal: temp1 (no label)            48.312 °C
//   chip nvme:        temp1 "Composite"           38.85 °C
//                     temp2 "Sensor 1"            41.85 °C
//                     temp3 "Sensor 2"            reading fails
//   chip ina226:      in1                         5.084 V
//                     curr1                       1.25 A
//                     power1                      (not a service)

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os/sensors/hid_event_system.h"

namespace tellwick::testing {

class HidEventSystemContract
    : public ::testing::TestWithParam<std::function<std::unique_ptr<os::HidEventSystem>()>> {
 protected:
  using Services = std::vector<std::unique_ptr<os::HidServiceClient>>;

  void SetUp() override {
    system_ = GetParam()();
    ASSERT_TRUE(system_);
  }

  Services services(std::optional<os::PlistDictionary> matching) {
    auto client = system_->createClient();
    if (matching) client->setMatching(*matching);
    auto list = client->copyServices();
    EXPECT_TRUE(list);
    return list ? std::move(*list) : Services{};
  }

  static os::PlistDictionary usage(std::int64_t page, std::int64_t usage) {
    return {{"PrimaryUsagePage", page}, {"PrimaryUsage", usage}};
  }

  static std::vector<std::string> products(const Services& list) {
    std::vector<std::string> out;
    for (const auto& s : list) {
      const auto value = s->copyProperty("Product");
      out.push_back(value && value->get<std::string>() ? *value->get<std::string>() : "?");
    }
    return out;
  }

  // product -> reading (nullopt: no event), for one event type and field.
  static std::map<std::string, std::optional<double>> readings(const Services& list,
                                                               std::int64_t type,
                                                               std::uint32_t field) {
    std::map<std::string, std::optional<double>> out;
    const auto names = products(list);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const auto event = list[i]->copyEvent(type);
      out[names[i]] = event ? std::optional<double>(event->floatValue(field)) : std::nullopt;
    }
    return out;
  }

  std::unique_ptr<os::HidEventSystem> system_;
};

using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::Pair;
using ::testing::SizeIs;

TEST_P(HidEventSystemContract, EachUsageGivesItsChannelsReadingsOfTheirKindOnly) {
  const auto thermal = services(usage(0xff00, 5));
  EXPECT_THAT(readings(thermal, os::kHidEventTypeTemperature, os::kHidTemperatureLevelField),
              ElementsAre(Pair("cpu_thermal temp1", Optional(DoubleNear(48.312, 1e-9))),
                          Pair("nvme Composite", Optional(DoubleNear(38.85, 1e-9))),
                          Pair("nvme Sensor 1", Optional(DoubleNear(41.85, 1e-9))),
                          Pair("nvme Sensor 2", std::nullopt)));
  // Chips may come in any order, but one chip's channels come together and
  // by number.
  auto nvme = products(thermal);
  std::erase_if(nvme, [](const auto& name) { return !name.starts_with("nvme"); });
  EXPECT_THAT(nvme, ElementsAre("nvme Composite", "nvme Sensor 1", "nvme Sensor 2"));
  EXPECT_FALSE(thermal.at(0)->copyEvent(os::kHidEventTypePower));
  EXPECT_FALSE(thermal.at(0)->copyEvent(3));

  const auto field = os::kHidPowerMeasureField;
  EXPECT_THAT(readings(services(usage(0xff08, 2)), os::kHidEventTypePower, field),
              ElementsAre(Pair("ina226 curr1", Optional(DoubleNear(1.25, 1e-9)))));
  const auto voltage = services(usage(0xff08, 3));
  EXPECT_THAT(readings(voltage, os::kHidEventTypePower, field),
              ElementsAre(Pair("ina226 in1", Optional(DoubleNear(5.084, 1e-9)))));
  EXPECT_FALSE(voltage.at(0)->copyEvent(os::kHidEventTypeTemperature));
}

TEST_P(HidEventSystemContract, MatchingComparesNumbersByValueInOneOrderForEveryClient) {
  // Six channels in all: power1 is no service.
  const auto all = services(std::nullopt);
  EXPECT_THAT(all, SizeIs(6));
  EXPECT_FALSE(all[0]->copyProperty("SerialNumber"));
  EXPECT_EQ(products(services(os::PlistDictionary{})), products(all));

  EXPECT_THAT(services(usage(0xff00, 99)), IsEmpty());
  EXPECT_THAT(services(os::PlistDictionary{{"PrimaryUsagePage", std::uint64_t{0xff08}},
                                           {"PrimaryUsage", 2.0}}),
              SizeIs(1));
  EXPECT_THAT(services(os::PlistDictionary{{"PrimaryUsagePage", "65280"}}), IsEmpty());
  EXPECT_THAT(services(os::PlistDictionary{{"VendorID", 0}}), IsEmpty());
  EXPECT_THAT(services(os::PlistDictionary{{"Product", "nvme Composite"}}), SizeIs(1));

  auto thermalInAll = products(all);
  std::erase_if(thermalInAll, [](const auto& name) { return name.starts_with("ina226"); });
  EXPECT_EQ(products(services(usage(0xff00, 5))), thermalInAll);
}

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_HID_EVENT_SYSTEM_CONTRACT_H_
