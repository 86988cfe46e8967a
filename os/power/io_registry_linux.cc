// The registry classes of the battery library over the kernel's devices: the
// power_supply class for batteries, the hid bus for peripherals.

#include <cctype>
#include <charconv>
#include <map>
#include <utility>

#include "os/power/hid_report_descriptor.h"
#include "os/power/io_registry.h"
#include "os/power/udev_power_supply.h"

namespace tellwick::os {
namespace {

using namespace udev_power;

constexpr std::string_view kSmartBatteryClass = "AppleSmartBattery";
constexpr std::string_view kHidBatteryClass = "AppleDeviceManagementHIDEventService";
constexpr std::string_view kBluetoothDeviceClass = "AppleHSBluetoothDevice";
constexpr std::string_view kHidDeviceClass = "IOHIDUserDevice";

constexpr std::uint32_t kBusUsb = 0x03;
constexpr std::uint32_t kBusBluetooth = 0x05;
constexpr std::uint32_t kBusI2c = 0x18;

// The kernel refuses larger report descriptors.
constexpr std::size_t kMaxReportDescriptor = 4096;
// Entries are remembered per device for the registry's life; a machine with
// more has something wrong with it, and the excess is left unlisted.
constexpr std::size_t kMaxEntries = 4096;

enum class Kind { smartBattery, batteryController, hidBattery, hidDevice };

struct HidId {
  std::uint32_t bus = 0;
  std::uint32_t vendor = 0;
  std::uint32_t product = 0;
};

// "0005:0000046D:0000B023": bus, vendor and product in hexadecimal.
std::optional<HidId> parseHidId(const std::string& text) {
  std::uint32_t parts[3] = {};
  const char* at = text.data();
  const char* end = at + text.size();
  for (int i = 0; i < 3; ++i) {
    const char* stop = i < 2 ? std::find(at, end, ':') : end;
    if (stop == end && i < 2) return std::nullopt;
    if (stop == at || stop - at > 8) return std::nullopt;
    const auto [next, ec] = std::from_chars(at, stop, parts[i], 16);
    if (ec != std::errc() || next != stop) return std::nullopt;
    at = stop == end ? end : stop + 1;
  }
  return HidId{parts[0], parts[1], parts[2]};
}

std::string transportName(std::uint32_t bus) {
  switch (bus) {
    case kBusUsb:
      return "USB";
    case kBusBluetooth:
      return "Bluetooth";
    case kBusI2c:
      return "I2C";
    default:
      return "Other";
  }
}

// The profiler's form of an address: lower case, dash-separated.
std::string dashedAddress(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == ':') c = '-';
  }
  return text;
}

// The Bluetooth stack's form: upper case, colon-separated.
std::string colonAddress(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c == '-') c = ':';
  }
  return text;
}

// As the power-management daemon reads a coarse level.
std::optional<std::int64_t> percentForLevel(const std::optional<std::string>& level) {
  static const std::pair<std::string_view, std::int64_t> kLevels[] = {
      {"Full", 100}, {"High", 70}, {"Normal", 55}, {"Low", 10}, {"Critical", 5}};
  if (!level) return std::nullopt;
  for (const auto& [name, percent] : kLevels) {
    if (*level == name) return percent;
  }
  return std::nullopt;
}

udev_device* hidParent(udev_device* device) {
  return udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
}

// What sits between a battery and the machine: a smart-battery gauge on an
// I2C/SMBus, or the firmware (ACPI control-method battery) or an SMC. Any
// other battery (a platform or firmware driver of its own) is told by what
// it offers: a gauge's capacities in amounts, or only a percentage.
std::string controllerClass(udev_device* battery) {
  for (udev_device* p = udev_device_get_parent(battery); p; p = udev_device_get_parent(p)) {
    const char* subsystem = udev_device_get_subsystem(p);
    if (subsystem && std::string_view(subsystem) == "i2c") return "IOSMBusController";
  }
  for (udev_device* p = udev_device_get_parent(battery); p; p = udev_device_get_parent(p)) {
    const std::string_view name = udev_device_get_sysname(p) ? udev_device_get_sysname(p) : "";
    const std::string_view driver = udev_device_get_driver(p) ? udev_device_get_driver(p) : "";
    if (name.starts_with("PNP0C0A:") || name.find("applesmc") != std::string_view::npos ||
        name.find("macsmc") != std::string_view::npos || driver == "applesmc" ||
        driver.starts_with("macsmc")) {
      return "AppleSMC";
    }
  }
  const char* syspath = udev_device_get_syspath(battery);
  const Supply s = syspath ? readSupply(syspath) : Supply{};
  return designCapacityMah(s) && fullCapacityMah(s) ? "IOSMBusController" : "AppleSMC";
}

class LinuxIoRegistry final : public IoRegistry {
 public:
  explicit LinuxIoRegistry(VendorNames vendorNames)
      : vendorNames_(std::move(vendorNames)), context_(udev_new()) {}

  Result<std::vector<RegistryEntry>> matchingServices(std::string_view className) override {
    if (!context_) return failure("registry: libudev cannot be used");
    std::vector<RegistryEntry> entries;
    if (className == kSmartBatteryClass) {
      // All of the machine's batteries are one, under the first one's name.
      for (const auto& path : listDevices(context_.get(), "power_supply")) {
        if (deviceExists(path) && isSystemBattery(readSupply(path, true))) {
          add(entries, Kind::smartBattery, path);
          break;
        }
      }
    } else if (className == kHidBatteryClass) {
      for (const auto& path : listDevices(context_.get(), "power_supply")) {
        if (!deviceExists(path)) continue;
        const Supply kind = readSupply(path, true);
        if (kind.type != "Battery" || kind.scope != "Device") continue;
        Device device = openDevice(context_.get(), path);
        if (!device || !hidParent(device.get())) continue;
        add(entries, Kind::hidBattery, path);
      }
    } else if (className == kBluetoothDeviceClass || className == kHidDeviceClass) {
      const bool bluetoothOnly = className == kBluetoothDeviceClass;
      for (const auto& path : listDevices(context_.get(), "hid")) {
        if (bluetoothOnly) {
          Device device = openDevice(context_.get(), path);
          if (!device) continue;
          const auto id = hidId(device.get());
          if (!id || id->bus != kBusBluetooth) continue;
        }
        add(entries, Kind::hidDevice, path);
      }
    }
    return entries;
  }

  std::optional<RegistryEntry> parentEntry(RegistryEntry entry) override {
    const Node* n = node(entry);
    if (!n || !deviceExists(n->syspath)) return std::nullopt;
    switch (n->kind) {
      case Kind::smartBattery:
        return idFor(Kind::batteryController, n->syspath);
      case Kind::hidBattery:
        if (Device device = openDevice(context_.get(), n->syspath)) {
          udev_device* hid = hidParent(device.get());
          const char* path = hid ? udev_device_get_syspath(hid) : nullptr;
          if (path) return idFor(Kind::hidDevice, path);
        }
        return std::nullopt;
      default:
        return std::nullopt;
    }
  }

  std::optional<PlistValue> property(RegistryEntry entry, std::string_view key) override {
    auto all = properties(entry);
    if (!all) return std::nullopt;
    if (const PlistValue* value = findKey(*all, key)) return *value;
    return std::nullopt;
  }

  std::optional<PlistDictionary> properties(RegistryEntry entry) override {
    const Node* n = node(entry);
    if (!n || !deviceExists(n->syspath)) return std::nullopt;
    // The batteries' own attributes need no device object.
    if (n->kind == Kind::smartBattery) {
      return smartBatteryProperties(combined(readMachinePower(context_.get()).batteries));
    }
    Device device = openDevice(context_.get(), n->syspath);
    if (!device) return std::nullopt;
    switch (n->kind) {
      case Kind::smartBattery:
        return std::nullopt;
      case Kind::batteryController:
        return PlistDictionary{{std::string(kIOProviderClassKey), controllerClass(device.get())}};
      case Kind::hidBattery:
        return hidBatteryProperties(device.get());
      case Kind::hidDevice:
        return hidDeviceProperties(device.get());
    }
    return std::nullopt;
  }

 private:
  struct Node {
    Kind kind;
    std::string syspath;
  };

  RegistryEntry idFor(Kind kind, const std::string& syspath) {
    auto key = std::make_pair(kind, syspath);
    if (auto it = ids_.find(key); it != ids_.end()) return it->second;
    if (nodes_.size() >= kMaxEntries) return kNoRegistryEntry;
    nodes_.push_back({kind, syspath});
    const RegistryEntry id = nodes_.size();
    ids_.emplace(std::move(key), id);
    return id;
  }

  void add(std::vector<RegistryEntry>& entries, Kind kind, const std::string& syspath) {
    if (RegistryEntry id = idFor(kind, syspath)) entries.push_back(id);
  }

  const Node* node(RegistryEntry entry) const {
    if (entry == kNoRegistryEntry || entry > nodes_.size() || !context_) return nullptr;
    return &nodes_[entry - 1];
  }

  static std::optional<HidId> hidId(udev_device* hid) {
    const auto text = udevProperty(hid, "HID_ID");
    return text ? parseHidId(*text) : std::nullopt;
  }

  static PlistDictionary smartBatteryProperties(const Supply& s) {
    PlistDictionary d;
    auto put = [&](const char* key, const std::optional<std::int64_t>& value) {
      if (value) d.emplace_back(key, *value);
    };
    put("DesignCapacity", designCapacityMah(s));
    put("AppleRawMaxCapacity", fullCapacityMah(s));
    put("AppleRawCurrentCapacity", currentCapacityMah(s));
    // 0 is what gauges that do not count report.
    if (s.cycleCount && *s.cycleCount > 0) put("CycleCount", s.cycleCount);
    put("Amperage", amperageMa(s));
    if (s.voltageNow) put("Voltage", *s.voltageNow / 1000);
    if (s.temp) put("Temperature", *s.temp * 10);
    if (s.manufacturer) d.emplace_back("Manufacturer", *s.manufacturer);
    put("ManufactureDate", packedManufactureDate(s));
    return d;
  }

  PlistDictionary hidBatteryProperties(udev_device* battery) const {
    PlistDictionary d;
    const char* syspath = udev_device_get_syspath(battery);
    const Supply s = syspath ? readSupply(syspath) : Supply{};
    udev_device* hid = hidParent(battery);
    const auto id = hid ? hidId(hid) : std::nullopt;
    std::optional<std::string> address = hid ? udevProperty(hid, "HID_UNIQ") : std::nullopt;
    if (!address && s.name.starts_with("hid-") && s.name.ends_with("-battery") &&
        s.name.size() > 12) {
      address = s.name.substr(4, s.name.size() - 12);
    }
    if (address) d.emplace_back("DeviceAddress", dashedAddress(*address));
    std::optional<std::int64_t> percent = s.capacity;
    if (!percent) percent = percentForLevel(s.capacityLevel);
    if (percent) d.emplace_back("BatteryPercent", *percent);
    // What charges is the battery's business, not the bus's: a receiver's
    // mouse is on USB and a cabled Bluetooth keyboard is not.
    if (s.status) d.emplace_back("BatteryStatus", *s.status);
    if (id) {
      d.emplace_back("Transport", transportName(id->bus));
      d.emplace_back("VendorID", static_cast<std::int64_t>(id->vendor));
      d.emplace_back("ProductID", static_cast<std::int64_t>(id->product));
    }
    std::optional<std::string> product = s.modelName;
    if (!product && hid) product = udevProperty(hid, "HID_NAME");
    if (product) d.emplace_back("Product", *product);
    if (hid) {
      if (auto kind = inputKind(hid)) d.emplace_back("HIDDefaultBehavior", *kind);
    }
    return d;
  }

  // A mouse also offers a keyboard for its extra buttons, so a pointer wins.
  std::optional<std::string> inputKind(udev_device* hid) const {
    bool keyboard = false, mouse = false, touchpad = false;
    for (const auto& path : listDevices(context_.get(), "input", hid)) {
      Device input = openDevice(context_.get(), path);
      if (!input) continue;
      keyboard = keyboard || udevProperty(input.get(), "ID_INPUT_KEYBOARD") == "1";
      mouse = mouse || udevProperty(input.get(), "ID_INPUT_MOUSE") == "1";
      touchpad = touchpad || udevProperty(input.get(), "ID_INPUT_TOUCHPAD") == "1";
    }
    if (touchpad) return "Trackpad";
    if (mouse) return "Mouse";
    if (keyboard) return "Keyboard";
    return std::nullopt;
  }

  PlistDictionary hidDeviceProperties(udev_device* hid) const {
    PlistDictionary d;
    const auto id = hidId(hid);
    if (auto unique = udevProperty(hid, "HID_UNIQ")) {
      d.emplace_back("DeviceAddress", dashedAddress(*unique));
      d.emplace_back("PhysicalDeviceUniqueID", colonAddress(*unique));
    }
    if (id) {
      d.emplace_back("Transport", transportName(id->bus));
      d.emplace_back("VendorID", static_cast<std::int64_t>(id->vendor));
      d.emplace_back("ProductID", static_cast<std::int64_t>(id->product));
    }
    if (auto name = udevProperty(hid, "HID_NAME")) d.emplace_back("Product", *name);
    if (auto descriptor = attribute(hid, "report_descriptor", kMaxReportDescriptor)) {
      const std::span<const std::uint8_t> bytes(
          reinterpret_cast<const std::uint8_t*>(descriptor->data()), descriptor->size());
      if (auto usage = hidPrimaryGenericDesktopUsage(bytes)) {
        d.emplace_back("PrimaryUsage", static_cast<std::int64_t>(*usage));
      }
    }
    std::optional<std::string> maker;
    // A Bluetooth device also sits below a USB device: its radio's.
    udev_device* usb = id && id->bus == kBusUsb
                           ? udev_device_get_parent_with_subsystem_devtype(hid, "usb", "usb_device")
                           : nullptr;
    if (usb) {
      maker = attribute(usb, "manufacturer", 256);
      if (maker && maker->empty()) maker.reset();
    }
    if (!maker && id && id->vendor <= 0xFFFF && vendorNames_) {
      maker = vendorNames_(static_cast<std::uint16_t>(id->vendor));
    }
    if (maker) {
      d.emplace_back("Manufacturer", *maker);
      d.emplace_back("ManufacturerString", *maker);
      d.emplace_back(
          "Descriptors",
          PlistDictionary{{"DeviceDescriptor", PlistDictionary{{"ManufacturerString", *maker}}}});
    }
    return d;
  }

  VendorNames vendorNames_;
  Udev context_;
  std::vector<Node> nodes_;
  std::map<std::pair<Kind, std::string>, RegistryEntry> ids_;
};

}  // namespace

std::unique_ptr<IoRegistry> newLinuxIoRegistry(VendorNames vendorNames) {
  return std::make_unique<LinuxIoRegistry>(std::move(vendorNames));
}

}  // namespace tellwick::os
