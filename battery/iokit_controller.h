#ifndef TELLWICK_BATTERY_IOKIT_CONTROLLER_H_
#define TELLWICK_BATTERY_IOKIT_CONTROLLER_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "os/power/io_registry.h"

namespace tellwick {

struct DeviceProperties {
  std::int64_t primaryUsage = 0;
  std::string manufacturer;
  bool operator==(const DeviceProperties&) const = default;
};

// Registry lookups of a peripheral's maker and HID usage, each answer found
// kept for the life of the controller.
class IIOKitController {
 public:
  virtual ~IIOKitController() = default;
  // The "ManufacturerString" of the Bluetooth device at address (compared
  // exactly), or nullopt when none is found.
  virtual std::optional<std::string> manufacturerForAddress(const std::string& address) = 0;
  // The primary usage and maker of the HID device whose physical unique
  // identifier is identifier, or nullopt when none is found.
  virtual std::optional<DeviceProperties> propertiesForIdentifier(
      const std::string& identifier) = 0;
};

class IOKitController : public IIOKitController {
 public:
  static constexpr std::string_view appleBluetoothDevice = "AppleHSBluetoothDevice";
  static constexpr std::string_view deviceAddress = "DeviceAddress";
  static constexpr std::string_view descriptors = "Descriptors";
  static constexpr std::string_view deviceDescriptor = "DeviceDescriptor";
  static constexpr std::string_view manufacturer = "ManufacturerString";
  static constexpr std::string_view serviceName = "IOHIDUserDevice";
  static constexpr std::string_view physicalUniqueId = "PhysicalDeviceUniqueID";
  static constexpr std::string_view primaryUsageKey = "PrimaryUsage";
  static constexpr std::string_view manufacturerKey = "Manufacturer";

  // The registry must outlive the controller. One thread at a time.
  explicit IOKitController(os::IoRegistry& registry) : registry_(registry) {}

  // Caches: found answers only, never refreshed; a miss searches again.
  const std::map<std::string, std::string>& manufacturers() const { return manufacturers_; }
  const std::map<std::string, DeviceProperties>& deviceProperties() const {
    return deviceProperties_;
  }

  std::optional<std::string> manufacturerForAddress(const std::string& address) override;
  std::optional<DeviceProperties> propertiesForIdentifier(const std::string& identifier) override;

 private:
  os::IoRegistry& registry_;
  std::map<std::string, std::string> manufacturers_;
  std::map<std::string, DeviceProperties> deviceProperties_;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_IOKIT_CONTROLLER_H_
