#ifndef TELLWICK_TESTS_FAKES_FAKE_HID_EVENT_SYSTEM_H_
#define TELLWICK_TESTS_FAKES_FAKE_HID_EVENT_SYSTEM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os/sensors/hid_event_system.h"

namespace tellwick::testing {

// Services held in memory, listed in the order they were added. Services,
// their properties and their readings can change between calls; service
// clients see the live state (a removed service has no event), as a real
// event system's do. Counts what was asked of it.
class FakeHidEventSystem final : public os::HidEventSystem {
 public:
  struct Service {
    os::PlistDictionary properties;
    // event type -> (field -> value)
    std::map<std::int64_t, std::map<std::uint32_t, double>> events;
    bool present = true;
  };

  // Services shaped like the ones of the machine: a name, the group's usage
  // page and usage, and a reading unless reading is nullopt.
  int addThermal(const std::string& product, std::optional<double> celsius) {
    return addReading(product, 0xff00, 5, os::kHidEventTypeTemperature,
                      os::kHidTemperatureLevelField, celsius);
  }
  int addCurrent(const std::string& product, std::optional<double> amperes) {
    return addReading(product, 0xff08, 2, os::kHidEventTypePower, os::kHidPowerMeasureField,
                      amperes);
  }
  int addVoltage(const std::string& product, std::optional<double> volts) {
    return addReading(product, 0xff08, 3, os::kHidEventTypePower, os::kHidPowerMeasureField, volts);
  }

  void setEventValue(int service, std::int64_t type, std::uint32_t field, double value) {
    services_.at(service).events[type][field] = value;
  }
  // A removed service is no longer listed and its existing clients read no event.
  void removeService(int service) { services_.at(service).present = false; }

  // Fault switch: copyServices answers nullopt while set.
  void setServiceListUnavailable(bool unavailable) { listUnavailable_ = unavailable; }

  int clientsCreated() const { return clientsCreated_; }
  int serviceListsCopied() const { return serviceListsCopied_; }

  std::unique_ptr<os::HidEventSystemClient> createClient() override {
    ++clientsCreated_;
    return std::make_unique<Client>(*this);
  }

 private:
  struct Event final : os::HidEvent {
    explicit Event(std::map<std::uint32_t, double> f) : fields(std::move(f)) {}
    double floatValue(std::uint32_t field) const override {
      return fields.contains(field) ? fields.at(field) : 0;
    }
    std::map<std::uint32_t, double> fields;
  };

  class ServiceClient final : public os::HidServiceClient {
   public:
    ServiceClient(FakeHidEventSystem& system, int index) : system_(system), index_(index) {}
    std::optional<os::PlistValue> copyProperty(std::string_view key) const override {
      if (const auto* value = os::findKey(service().properties, key)) return *value;
      return std::nullopt;
    }
    std::unique_ptr<os::HidEvent> copyEvent(std::int64_t type) const override {
      if (!service().present) return nullptr;
      const auto it = service().events.find(type);
      if (it == service().events.end()) return nullptr;
      return std::make_unique<Event>(it->second);
    }

   private:
    const Service& service() const { return system_.services_.at(index_); }
    FakeHidEventSystem& system_;
    int index_;
  };

  class Client final : public os::HidEventSystemClient {
   public:
    explicit Client(FakeHidEventSystem& system) : system_(system) {}
    void setMatching(const os::PlistDictionary& matching) override { matching_ = matching; }
    std::optional<std::vector<std::unique_ptr<os::HidServiceClient>>> copyServices()
        const override {
      ++system_.serviceListsCopied_;
      if (system_.listUnavailable_) return std::nullopt;
      std::vector<std::unique_ptr<os::HidServiceClient>> services;
      for (int i = 0; i < static_cast<int>(system_.services_.size()); ++i) {
        if (!system_.services_[i].present) continue;
        auto service = std::make_unique<ServiceClient>(system_, i);
        if (os::hidMatchingAccepts(matching_, *service)) services.push_back(std::move(service));
      }
      return services;
    }

   private:
    FakeHidEventSystem& system_;
    os::PlistDictionary matching_;
  };

  int addReading(const std::string& product, std::int64_t page, std::int64_t usage,
                 std::int64_t type, std::uint32_t field, std::optional<double> value) {
    services_.push_back({{{std::string(os::kHidProductKey), product},
                          {std::string(os::kHidPrimaryUsagePageKey), page},
                          {std::string(os::kHidPrimaryUsageKey), usage}},
                         {}});
    const int index = static_cast<int>(services_.size()) - 1;
    if (value) setEventValue(index, type, field, *value);
    return index;
  }

  std::vector<Service> services_;
  bool listUnavailable_ = false;
  int clientsCreated_ = 0;
  int serviceListsCopied_ = 0;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_HID_EVENT_SYSTEM_H_
