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
#include <optional>
#include <string>
#include <vector>

#include "os/hid_event_system.h"

namespace tellwick::testing {

// A machine in the state above whose readings a test can change as the
// hardware would.
class HidEventSystemWorld {
 public:
  virtual ~HidEventSystemWorld() = default;
  virtual os::HidEventSystem& system() = 0;
  // The temperature channel named product now reads celsius.
  virtual void setTemperature(const std::string& product, double celsius) = 0;
  // The temperature channel named product can no longer be read.
  virtual void breakTemperature(const std::string& product) = 0;
};

struct HidEventSystemWorldFactory {
  std::string name;
  std::function<std::unique_ptr<HidEventSystemWorld>()> make;
};

inline std::string PrintToString(const HidEventSystemWorldFactory& factory) { return factory.name; }

class HidEventSystemContract : public ::testing::TestWithParam<HidEventSystemWorldFactory> {
 protected:
  void SetUp() override {
    world_ = GetParam().make();
    ASSERT_TRUE(world_);
  }

  os::HidEventSystem& system() { return world_->system(); }

  std::vector<std::unique_ptr<os::HidServiceClient>> services(
      std::optional<os::PlistDictionary> matching) {
    auto client = system().createClient();
    if (matching) client->setMatching(*matching);
    auto list = client->copyServices();
    EXPECT_TRUE(list);
    return list ? std::move(*list) : std::vector<std::unique_ptr<os::HidServiceClient>>{};
  }

  static os::PlistDictionary usage(std::int64_t page, std::int64_t usage) {
    return {{"PrimaryUsagePage", page}, {"PrimaryUsage", usage}};
  }

  static std::string product(const os::HidServiceClient& service) {
    const auto value = service.copyProperty("Product");
    const auto* text = value ? value->get<std::string>() : nullptr;
    return text ? *text : "<no product>";
  }

  static std::vector<std::string> products(
      const std::vector<std::unique_ptr<os::HidServiceClient>>& list) {
    std::vector<std::string> out;
    for (const auto& s : list) out.push_back(product(*s));
    return out;
  }

  // product -> reading (nullopt: no event), for one event type and field.
  static std::map<std::string, std::optional<double>> readings(
      const std::vector<std::unique_ptr<os::HidServiceClient>>& list, std::int64_t type,
      std::uint32_t field) {
    std::map<std::string, std::optional<double>> out;
    for (const auto& s : list) {
      const auto event = s->copyEvent(type);
      out[product(*s)] = event ? std::optional<double>(event->floatValue(field)) : std::nullopt;
    }
    return out;
  }

  static std::map<std::string, std::optional<double>> thermalReadings(
      const std::vector<std::unique_ptr<os::HidServiceClient>>& list) {
    return readings(list, os::kHidEventTypeTemperature, os::kHidTemperatureLevelField);
  }

  std::unique_ptr<HidEventSystemWorld> world_;
};

using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

TEST_P(HidEventSystemContract, ThermalUsageListsEveryTemperatureChannelInCelsius) {
  const auto list = services(usage(0xff00, 5));
  EXPECT_THAT(thermalReadings(list),
              UnorderedElementsAre(Pair("cpu_thermal temp1", Optional(DoubleNear(48.312, 1e-9))),
                                   Pair("nvme Composite", Optional(DoubleNear(38.85, 1e-9))),
                                   Pair("nvme Sensor 1", Optional(DoubleNear(41.85, 1e-9))),
                                   Pair("nvme Sensor 2", std::nullopt)));
  // Chips may come in any order, but one chip's channels come together and
  // by number.
  std::vector<std::string> nvme;
  for (const auto& name : products(list)) {
    if (name.starts_with("nvme")) nvme.push_back(name);
  }
  EXPECT_THAT(nvme, ElementsAre("nvme Composite", "nvme Sensor 1", "nvme Sensor 2"));
}

TEST_P(HidEventSystemContract, PowerPageSeparatesCurrentFromVoltage) {
  const auto field = os::kHidPowerMeasureField;
  EXPECT_THAT(readings(services(usage(0xff08, 2)), os::kHidEventTypePower, field),
              ElementsAre(Pair("ina226 curr1", Optional(DoubleNear(1.25, 1e-9)))));
  EXPECT_THAT(readings(services(usage(0xff08, 3)), os::kHidEventTypePower, field),
              ElementsAre(Pair("ina226 in1", Optional(DoubleNear(5.084, 1e-9)))));
}

TEST_P(HidEventSystemContract, ServicesGiveEventsOnlyOfTheirKindAndOnlyTheirField) {
  for (const auto& service : services(usage(0xff08, 3))) {
    EXPECT_FALSE(service->copyEvent(os::kHidEventTypeTemperature));
    const auto event = service->copyEvent(os::kHidEventTypePower);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->floatValue(os::kHidTemperatureLevelField), 0);
  }
  for (const auto& service : services(usage(0xff00, 5))) {
    EXPECT_FALSE(service->copyEvent(os::kHidEventTypePower));
    EXPECT_FALSE(service->copyEvent(3));
  }
}

TEST_P(HidEventSystemContract, UnrestrictedClientSeesEveryServiceWithItsMatchingProperties) {
  const auto list = services(std::nullopt);
  EXPECT_EQ(list.size(), 6u);
  std::map<std::pair<std::int64_t, std::int64_t>, int> perUsage;
  for (const auto& service : list) {
    const auto page = service->copyProperty("PrimaryUsagePage");
    const auto use = service->copyProperty("PrimaryUsage");
    ASSERT_TRUE(page && page->get<std::int64_t>());
    ASSERT_TRUE(use && use->get<std::int64_t>());
    ++perUsage[{*page->get<std::int64_t>(), *use->get<std::int64_t>()}];
    EXPECT_FALSE(service->copyProperty("SerialNumber"));
  }
  EXPECT_THAT(perUsage, ElementsAre(Pair(Pair(0xff00, 5), 4), Pair(Pair(0xff08, 2), 1),
                                    Pair(Pair(0xff08, 3), 1)));
}

TEST_P(HidEventSystemContract, MatchingComparesNumbersByValueAndUnknownKeysMatchNothing) {
  EXPECT_THAT(services(usage(0xff00, 99)), IsEmpty());
  EXPECT_THAT(services(os::PlistDictionary{{"PrimaryUsagePage", std::uint64_t{0xff08}},
                                           {"PrimaryUsage", 2.0}}),
              ::testing::SizeIs(1));
  EXPECT_THAT(services(os::PlistDictionary{{"PrimaryUsagePage", "65280"}}), IsEmpty());
  EXPECT_THAT(services(os::PlistDictionary{{"VendorID", 0}}), IsEmpty());
  EXPECT_THAT(services(os::PlistDictionary{{"Product", "nvme Composite"}}), ::testing::SizeIs(1));
  EXPECT_THAT(services(os::PlistDictionary{}), ::testing::SizeIs(6));
}

TEST_P(HidEventSystemContract, EveryClientListsTheServicesInTheSameOrder) {
  const auto first = products(services(std::nullopt));
  EXPECT_EQ(products(services(std::nullopt)), first);
  const auto thermal = products(services(usage(0xff00, 5)));
  std::vector<std::string> thermalInFirst;
  for (const auto& name : first) {
    if (std::find(thermal.begin(), thermal.end(), name) != thermal.end()) {
      thermalInFirst.push_back(name);
    }
  }
  EXPECT_EQ(thermal, thermalInFirst);
}

TEST_P(HidEventSystemContract, EveryEventCopyReadsTheHardwareAnew) {
  const auto list = services(usage(0xff00, 5));
  world_->setTemperature("nvme Composite", 51.5);
  world_->breakTemperature("nvme Sensor 1");
  const auto now = thermalReadings(list);
  EXPECT_THAT(now.at("nvme Composite"), Optional(DoubleNear(51.5, 1e-9)));
  EXPECT_EQ(now.at("nvme Sensor 1"), std::nullopt);
  EXPECT_THAT(now.at("cpu_thermal temp1"), Optional(DoubleNear(48.312, 1e-9)));
}

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_HID_EVENT_SYSTEM_CONTRACT_H_
