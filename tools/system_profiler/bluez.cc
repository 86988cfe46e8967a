#include "tools/system_profiler/bluez.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <variant>

#include "battery/proximity_pairing.h"

namespace tellwick::tools {
namespace {

constexpr const char* kService = "org.bluez";
constexpr const char* kAdapterInterface = "org.bluez.Adapter1";
constexpr const char* kDeviceInterface = "org.bluez.Device1";
// BlueZ answers in milliseconds; these keep a hung one inside the bound the
// helper gives this tool (8 s): reading, then at most 2 s of discovery and
// its stop.
constexpr std::uint64_t kReadTimeout = 3'000'000;
constexpr std::uint64_t kStopTimeout = 1'000'000;
// An advertisement holds 31 bytes; more is not one.
constexpr std::size_t kMaxMakerData = 255;
// Far more advertisers than are ever in range; the rest are ignored.
constexpr std::size_t kMaxAdvertisements = 256;

using Bytes = std::vector<std::uint8_t>;
// A property value of the kinds the report reads; anything else is skipped.
// Bytes: the maker data of company 0x004C.
using Value = std::variant<std::monostate, std::string, bool, std::uint8_t, std::int16_t, Bytes>;
using Properties = std::map<std::string, Value>;
using Interfaces = std::map<std::string, Properties>;
using Objects = std::map<std::string, Interfaces>;  // ordered by object path

struct MessageDeleter {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Message = std::unique_ptr<sd_bus_message, MessageDeleter>;

std::string errnoText(int r) { return std::strerror(r < 0 ? -r : r); }

// ManufacturerData a{qv} inside its variant: the bytes of company 0x004C.
int readMakerData(sd_bus_message* m, Value& value) {
  int r = sd_bus_message_enter_container(m, 'v', "a{qv}");
  if (r < 0) return r;
  if ((r = sd_bus_message_enter_container(m, 'a', "{qv}")) < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "qv")) > 0) {
    std::uint16_t company = 0;
    if ((r = sd_bus_message_read(m, "q", &company)) < 0) return r;
    char type = 0;
    const char* contents = nullptr;
    if ((r = sd_bus_message_peek_type(m, &type, &contents)) < 0) return r;
    if (company == kProximityPairingCompany && contents && std::strcmp(contents, "ay") == 0) {
      const void* data = nullptr;
      std::size_t size = 0;
      if ((r = sd_bus_message_enter_container(m, 'v', "ay")) < 0) return r;
      if ((r = sd_bus_message_read_array(m, 'y', &data, &size)) < 0) return r;
      if ((r = sd_bus_message_exit_container(m)) < 0) return r;
      const auto* bytes = static_cast<const std::uint8_t*>(data);
      if (size <= kMaxMakerData) value = Bytes(bytes, bytes + size);
    } else if ((r = sd_bus_message_skip(m, "v")) < 0) {
      return r;
    }
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  return sd_bus_message_exit_container(m);
}

// Reads one "{sv}" entry's variant into value, skipping kinds not used.
int readVariant(sd_bus_message* m, Value& value) {
  char type = 0;
  const char* contents = nullptr;
  int r = sd_bus_message_peek_type(m, &type, &contents);
  if (r < 0) return r;
  std::string_view kind = contents ? contents : "";
  if (kind == "s" || kind == "o") {
    const char* text = nullptr;
    if ((r = sd_bus_message_read(m, "v", contents, &text)) < 0) return r;
    value = std::string(text);
  } else if (kind == "b") {
    int flag = 0;
    if ((r = sd_bus_message_read(m, "v", "b", &flag)) < 0) return r;
    value = flag != 0;
  } else if (kind == "y") {
    std::uint8_t byte = 0;
    if ((r = sd_bus_message_read(m, "v", "y", &byte)) < 0) return r;
    value = byte;
  } else if (kind == "n") {
    std::int16_t number = 0;
    if ((r = sd_bus_message_read(m, "v", "n", &number)) < 0) return r;
    value = number;
  } else if (kind == "a{qv}") {
    return readMakerData(m, value);
  } else if ((r = sd_bus_message_skip(m, "v")) < 0) {
    return r;
  }
  return 0;
}

// a{sv}
int readProperties(sd_bus_message* m, Properties& properties) {
  int r = sd_bus_message_enter_container(m, 'a', "{sv}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
    const char* name = nullptr;
    if ((r = sd_bus_message_read(m, "s", &name)) < 0) return r;
    if ((r = readVariant(m, properties[name])) < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// a{sa{sv}}
int readInterfaces(sd_bus_message* m, Interfaces& interfaces) {
  int r = sd_bus_message_enter_container(m, 'a', "{sa{sv}}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "sa{sv}")) > 0) {
    const char* interface = nullptr;
    if ((r = sd_bus_message_read(m, "s", &interface)) < 0) return r;
    if ((r = readProperties(m, interfaces[interface])) < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// GetManagedObjects' a{oa{sa{sv}}}.
int readObjects(sd_bus_message* m, Objects& objects) {
  int r = sd_bus_message_enter_container(m, 'a', "{oa{sa{sv}}}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "oa{sa{sv}}")) > 0) {
    const char* path = nullptr;
    if ((r = sd_bus_message_read(m, "o", &path)) < 0) return r;
    if ((r = readInterfaces(m, objects[path])) < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

template <class T>
std::optional<T> get(const Properties& properties, const std::string& name) {
  auto it = properties.find(name);
  if (it == properties.end()) return std::nullopt;
  if (const T* value = std::get_if<T>(&it->second)) return *value;
  return std::nullopt;
}

// An advertising object's advertisement; nullopt for every other device.
std::optional<Advertisement> advertisementOf(const std::string& path, const Properties& device) {
  if (get<bool>(device, "Paired").value_or(false) || get<bool>(device, "Connected").value_or(false)) {
    return std::nullopt;
  }
  auto data = get<Bytes>(device, "ManufacturerData");
  if (!data || !decodeProximityPairing(*data)) return std::nullopt;
  return Advertisement{path, *data, get<std::int16_t>(device, "RSSI"), 0};
}

void collect(const Objects& objects, BluezView& view) {
  for (const auto& [path, interfaces] : objects) {
    if (auto it = interfaces.find(kAdapterInterface); it != interfaces.end()) {
      BluetoothAdapter adapter;
      adapter.address = get<std::string>(it->second, "Address").value_or("");
      adapter.powered = get<bool>(it->second, "Powered").value_or(false);
      view.adapters.push_back(adapter);
      if (get<bool>(it->second, "Discovering").value_or(false)) view.discovering.insert(path);
    }
    auto it = interfaces.find(kDeviceInterface);
    if (it == interfaces.end()) continue;
    const auto& properties = it->second;
    if (auto advertisement = advertisementOf(path, properties)) {
      if (view.advertisements.size() < kMaxAdvertisements) view.advertisements.push_back(std::move(*advertisement));
      continue;
    }
    view.devicePaths.insert(path);
    BluetoothDevice device;
    device.address = get<std::string>(properties, "Address").value_or("");
    device.alias = get<std::string>(properties, "Alias").value_or(get<std::string>(properties, "Name").value_or(""));
    device.connected = get<bool>(properties, "Connected").value_or(false);
    device.modalias = get<std::string>(properties, "Modalias");
    device.icon = get<std::string>(properties, "Icon");
    device.adapter = get<std::string>(properties, "Adapter").value_or("");
    if (auto battery = interfaces.find("org.bluez.Battery1"); battery != interfaces.end()) {
      device.batteryPercentage = get<std::uint8_t>(battery->second, "Percentage");
    }
    view.devices.push_back(std::move(device));
  }
}

// What the listening window keeps between signals.
struct Listener {
  BluezView& view;
  os::Clock& clock;

  // A Device1 object's properties, whole or only those that changed: an
  // advertisement that arrived now.
  void arrived(const std::string& path, const Properties& properties) {
    if (view.devicePaths.contains(path)) return;
    auto data = get<Bytes>(properties, "ManufacturerData");
    auto rssi = get<std::int16_t>(properties, "RSSI");
    auto known = std::ranges::find(view.advertisements, path, &Advertisement::path);
    if (known == view.advertisements.end()) {
      auto advertisement = advertisementOf(path, properties);
      if (!advertisement || view.advertisements.size() >= kMaxAdvertisements) return;
      advertisement->seenAt = clock.now();
      view.advertisements.push_back(std::move(*advertisement));
      return;
    }
    if (!data && !rssi) return;
    if (data && decodeProximityPairing(*data)) known->data = std::move(*data);
    if (rssi) known->rssi = rssi;
    known->seenAt = clock.now();
  }
};

int onPropertiesChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
  const char* interface = nullptr;
  const char* path = sd_bus_message_get_path(m);
  if (!path || sd_bus_message_read(m, "s", &interface) < 0 || std::strcmp(interface, kDeviceInterface) != 0) {
    return 0;
  }
  Properties changed;
  if (readProperties(m, changed) >= 0) static_cast<Listener*>(userdata)->arrived(path, changed);
  return 0;
}

int onInterfacesAdded(sd_bus_message* m, void* userdata, sd_bus_error*) {
  const char* path = nullptr;
  Interfaces interfaces;
  if (sd_bus_message_read(m, "o", &path) < 0 || readInterfaces(m, interfaces) < 0) return 0;
  if (auto it = interfaces.find(kDeviceInterface); it != interfaces.end()) {
    static_cast<Listener*>(userdata)->arrived(path, it->second);
  }
  return 0;
}

std::uint64_t microsecondsUntil(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<std::uint64_t>(left.count()) : 0;
}

}  // namespace

os::Result<std::unique_ptr<Bluez>> Bluez::connect() {
  sd_bus* bus = nullptr;
  int r = sd_bus_open_system(&bus);
  if (r < 0) {
    sd_bus_flush_close_unref(bus);
    return os::failure("cannot connect to the system bus: " + errnoText(r));
  }
  sd_bus_set_method_call_timeout(bus, kReadTimeout);
  return std::unique_ptr<Bluez>(new Bluez(bus));
}

Bluez::~Bluez() { sd_bus_flush_close_unref(bus_); }

std::optional<BusError> Bluez::read(BluezView& view) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_call_method(bus_, kService, "/", "org.freedesktop.DBus.ObjectManager", "GetManagedObjects", &error,
                             &reply, "");
  Message owned(reply);
  if (r < 0) {
    BusError failure;
    failure.serviceMissing = sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
                             sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER);
    failure.message = std::string("cannot read BlueZ: ") + (error.message ? error.message : errnoText(r).c_str());
    sd_bus_error_free(&error);
    return failure;
  }
  Objects objects;
  if ((r = readObjects(reply, objects)) < 0) return BusError{"cannot decode BlueZ's objects: " + errnoText(r)};
  collect(objects, view);
  return std::nullopt;
}

void Bluez::listen(BluezView& view, const std::string& adapter, std::chrono::steady_clock::time_point deadline,
                   os::Clock& clock, const std::function<bool()>& done) {
  Listener listener{view, clock};
  // Everything here, the calls to the bus included, stays inside the window.
  sd_bus_set_method_call_timeout(bus_, std::max<std::uint64_t>(microsecondsUntil(deadline), 1));
  sd_bus_slot* changes = nullptr;
  sd_bus_slot* additions = nullptr;
  sd_bus_add_match(bus_, &changes,
                   "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
                   "arg0='org.bluez.Device1'",
                   onPropertiesChanged, &listener);
  sd_bus_add_match(bus_, &additions,
                   "type='signal',interface='org.freedesktop.DBus.ObjectManager',member='InterfacesAdded'",
                   onInterfacesAdded, &listener);

  bool ours = false;
  if (!view.discovering.contains(adapter)) {
    // Older BlueZ has no filter; discovery then finds classic devices too.
    sd_bus_call_method(bus_, kService, adapter.c_str(), kAdapterInterface, "SetDiscoveryFilter", nullptr, nullptr,
                       "a{sv}", 2, "Transport", "s", "le", "DuplicateData", "b", 1);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int r = sd_bus_call_method(bus_, kService, adapter.c_str(), kAdapterInterface, "StartDiscovery", &error,
                               nullptr, "");
    ours = r >= 0;
    // In progress: someone else's discovery, which brings advertisements too.
    bool running = ours || sd_bus_error_has_name(&error, "org.bluez.Error.InProgress");
    sd_bus_error_free(&error);
    if (!running) deadline = std::chrono::steady_clock::now();
  }
  // A flood of signals ends with the window too.
  while (!done() && microsecondsUntil(deadline) > 0) {
    int r = sd_bus_process(bus_, nullptr);
    if (r < 0 || (r == 0 && sd_bus_wait(bus_, microsecondsUntil(deadline)) < 0)) break;
  }
  if (ours) {
    sd_bus_set_method_call_timeout(bus_, kStopTimeout);
    sd_bus_call_method(bus_, kService, adapter.c_str(), kAdapterInterface, "StopDiscovery", nullptr, nullptr, "");
  }
  sd_bus_slot_unref(changes);
  sd_bus_slot_unref(additions);
}

}  // namespace tellwick::tools
