#ifndef TELLWICK_OS_SENSORS_HID_EVENT_SYSTEM_H_
#define TELLWICK_OS_SENSORS_HID_EVENT_SYSTEM_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"
#include "os/store/property_list.h"

namespace tellwick::os {

class HwmonWatch;

// Keys of a service's matching properties and of its name.
inline constexpr std::string_view kHidPrimaryUsagePageKey = "PrimaryUsagePage";
inline constexpr std::string_view kHidPrimaryUsageKey = "PrimaryUsage";
inline constexpr std::string_view kHidProductKey = "Product";

// The vendor usage pages and usages of the sensor services.
inline constexpr std::int64_t kHidThermalUsagePage = 0xff00;
inline constexpr std::int64_t kHidThermalUsage = 5;
inline constexpr std::int64_t kHidPowerUsagePage = 0xff08;
inline constexpr std::int64_t kHidCurrentUsage = 2;
inline constexpr std::int64_t kHidVoltageUsage = 3;

// Event types and their first floating-point field.
inline constexpr std::int64_t kHidEventTypeTemperature = 15;
inline constexpr std::int64_t kHidEventTypePower = 25;
inline constexpr std::uint32_t kHidTemperatureLevelField = 0xf0000;
inline constexpr std::uint32_t kHidPowerMeasureField = 0x190000;

// One reading of a service, taken when the event was copied.
class HidEvent {
 public:
  HidEvent() = default;
  HidEvent(const HidEvent&) = delete;
  HidEvent& operator=(const HidEvent&) = delete;
  virtual ~HidEvent() = default;

  // The value of field; 0 for a field this event does not carry.
  virtual double floatValue(std::uint32_t field) const = 0;
};

// One sensor service. Must not outlive the HidEventSystem it came from.
class HidServiceClient {
 public:
  HidServiceClient() = default;
  HidServiceClient(const HidServiceClient&) = delete;
  HidServiceClient& operator=(const HidServiceClient&) = delete;
  virtual ~HidServiceClient() = default;

  // The property called key (a copy the caller owns), or nullopt when the
  // service has no such property.
  virtual std::optional<PlistValue> copyProperty(std::string_view key) const = 0;

  // The service's current event of type, read now; nullptr when the service
  // produces no event of that type or its reading cannot be taken.
  virtual std::unique_ptr<HidEvent> copyEvent(std::int64_t type) const = 0;
};

// A view on the event system restricted by a matching dictionary. Must not
// outlive the HidEventSystem that created it.
class HidEventSystemClient {
 public:
  HidEventSystemClient() = default;
  HidEventSystemClient(const HidEventSystemClient&) = delete;
  HidEventSystemClient& operator=(const HidEventSystemClient&) = delete;
  virtual ~HidEventSystemClient() = default;

  // Restricts the client to services whose properties equal every entry of
  // matching (see hidMatchingAccepts). Until called, every service matches.
  virtual void setMatching(const PlistDictionary& matching) = 0;

  // The matching services in the event system's order, which is the same on
  // every call while the set of services does not change; nullopt when the
  // event system cannot list its services at all.
  virtual std::optional<std::vector<std::unique_ptr<HidServiceClient>>> copyServices() const = 0;
};

// The source of sensor services: temperatures, voltages, currents. All calls,
// and the objects they return, belong to one thread at a time.
class HidEventSystem {
 public:
  HidEventSystem() = default;
  HidEventSystem(const HidEventSystem&) = delete;
  HidEventSystem& operator=(const HidEventSystem&) = delete;
  virtual ~HidEventSystem() = default;

  // A new client that matches every service. Never fails.
  virtual std::unique_ptr<HidEventSystemClient> createClient() = 0;
};

// True when, for every entry of matching, the service has a property of that
// name equal to the entry's value. Numbers compare by value whatever their
// stored width; an empty dictionary accepts every service.
bool hidMatchingAccepts(const PlistDictionary& matching, const HidServiceClient& service);

// Opens the machine's hardware monitoring channels as an event system: every
// temperature channel is a service of usage page 0xff00, usage 5 (event type
// 15, degrees Celsius); every current channel page 0xff08, usage 2 and every
// voltage channel page 0xff08, usage 3 (event type 25, amperes or volts). A
// service's "Product" is its chip's name, a blank and the channel's label,
// as valid UTF-8 of at most 128 bytes; the chip's name is its driver's
// ("nvme") unless another chip has the same, then the full one
// ("nvme-pci-0100"). A channel without a reading of its own is no service.
//
// config names the sensors configuration file to apply (labels, ignore lines,
// computations); nullopt applies the system's default configuration. The
// services are those of the chips present when the system is opened, and,
// given a watch (which must outlive the system), of those present when a
// client is created after chips came or went. Readings are taken anew on
// every copyEvent, each on a thread of its own and waited for a bounded
// time (see BoundedReads): one that does not come in time is no event.
// Only one such system can be open in a process at a time. Fails, with a
// message, when the configuration cannot be read or used, or another one is
// open. When warnings is given, it receives the configuration lines that
// could not be parsed and were skipped, as "file:line: message"; the rest of
// the configuration still applies.
Result<std::unique_ptr<HidEventSystem>> newLinuxHidEventSystem(
    const std::optional<std::string>& config, std::vector<std::string>* warnings = nullptr,
    const HwmonWatch* watch = nullptr);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_SENSORS_HID_EVENT_SYSTEM_H_
