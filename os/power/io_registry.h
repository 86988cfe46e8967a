#ifndef TELLWICK_OS_POWER_IO_REGISTRY_H_
#define TELLWICK_OS_POWER_IO_REGISTRY_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"
#include "os/store/property_list.h"

namespace tellwick::os {

// A registry entry. 0 is no entry; an entry may go away at any time, after
// which it reads as having no properties and no parent.
using RegistryEntry = std::uint64_t;
inline constexpr RegistryEntry kNoRegistryEntry = 0;

// The property of a service's parent naming the parent's kind.
inline constexpr std::string_view kIOProviderClassKey = "IOProviderClass";

// The device registry: services by class, their parents in the service
// plane, and their properties as property-list values. One thread at a time;
// entries stay meaningful for the life of the registry object.
class IoRegistry {
 public:
  IoRegistry() = default;
  IoRegistry(const IoRegistry&) = delete;
  IoRegistry& operator=(const IoRegistry&) = delete;
  virtual ~IoRegistry() = default;

  // The services of className in registry order (empty when there are none);
  // fails, with the reason, only when the registry cannot be searched.
  virtual Result<std::vector<RegistryEntry>> matchingServices(std::string_view className) = 0;

  // The entry's parent in the service plane; nullopt when it has none or the
  // entry is gone.
  virtual std::optional<RegistryEntry> parentEntry(RegistryEntry entry) = 0;

  // The property called key, read now; nullopt when the entry lacks it or is
  // gone.
  virtual std::optional<PlistValue> property(RegistryEntry entry, std::string_view key) = 0;

  // Every property of the entry, read now; nullopt when the entry is gone.
  virtual std::optional<PlistDictionary> properties(RegistryEntry entry) = 0;
};

// The first service of className, or kNoRegistryEntry.
RegistryEntry firstMatchingService(IoRegistry& registry, std::string_view className);

// The manufacturer of a vendor identifier, or nullopt when unknown.
using VendorNames = std::function<std::optional<std::string>(std::uint16_t vendorId)>;

// The kernel's devices through libudev, served under the battery library's
// classes:
//   "AppleSmartBattery": one service, the machine's batteries (power_supply,
//     type "Battery", scope not "Device", not an empty bay) taken together
//     under the first one's identity; its parent's "IOProviderClass" is
//     "IOSMBusController" behind an I2C/SMBus fuel gauge, "AppleSMC" behind
//     the platform firmware (ACPI PNP0C0A) or an SMC, and for any other
//     battery "IOSMBusController" when it reports its capacities as amounts,
//     "AppleSMC" when only as a percentage.
//   "AppleDeviceManagementHIDEventService": batteries of HID devices, with
//     the kernel's "BatteryStatus" text ("Charging", "Discharging", ...).
//   "AppleHSBluetoothDevice": HID devices on Bluetooth.
//   "IOHIDUserDevice": every HID device.
// Every other class has no services. vendorNames names a vendor where the
// device itself does not.
std::unique_ptr<IoRegistry> newLinuxIoRegistry(VendorNames vendorNames);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_POWER_IO_REGISTRY_H_
