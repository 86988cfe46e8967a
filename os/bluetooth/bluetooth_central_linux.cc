// The Bluetooth LE central over BlueZ on the system bus (sd-bus).
//
// BlueZ publishes adapters, devices, GATT services and characteristics as
// objects of org.freedesktop.DBus.ObjectManager at "/". This central keeps a
// copy of the parts it needs, fed by GetManagedObjects and then by
// InterfacesAdded, InterfacesRemoved and PropertiesChanged. Everything that
// arrives becomes an event in a queue that runUntil hands to the delegate,
// so no request ever calls back before it returns.

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "os/bluetooth/bluetooth_central.h"

namespace tellwick::os {
namespace {

constexpr const char* kBluez = "org.bluez";
constexpr std::string_view kAdapterInterface = "org.bluez.Adapter1";
constexpr std::string_view kDeviceInterface = "org.bluez.Device1";
constexpr std::string_view kBatteryInterface = "org.bluez.Battery1";
constexpr std::string_view kServiceInterface = "org.bluez.GattService1";
constexpr std::string_view kCharacteristicInterface = "org.bluez.GattCharacteristic1";

constexpr const char* kBatteryService = "180F";
constexpr const char* kBatteryLevel = "2A19";

// Whatever BlueZ sends is bounded before it is kept.
constexpr std::size_t kMaxObjects = 16384;
constexpr std::size_t kMaxText = 256;
constexpr std::size_t kMaxUuids = 128;
constexpr std::size_t kMaxManufacturerBytes = 256;
constexpr std::size_t kMaxValueBytes = 512;  // the largest GATT attribute value
constexpr std::uint64_t kCallTimeoutUsec = 10'000'000;
constexpr std::uint64_t kConnectTimeoutUsec = 30'000'000;

using Bytes = std::vector<std::uint8_t>;

// Bluetooth SIG numbers in the base UUID become their four hex digits.
std::string shortUuid(std::string_view uuid) {
  std::string out(uuid);
  for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  constexpr std::string_view kBaseTail = "-0000-1000-8000-00805F9B34FB";
  if (out.size() == 36 && out.starts_with("0000") && std::string_view(out).substr(8) == kBaseTail) {
    return out.substr(4, 4);
  }
  return out;
}

std::string upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

struct Object {
  std::set<std::string, std::less<>> interfaces;
  bool powered = false;  // Adapter1
  // Device1
  std::string address;
  std::optional<std::string> name;
  bool connected = false;
  bool servicesResolved = false;
  std::vector<std::string> uuids;
  std::optional<int> rssi;
  std::optional<Bytes> manufacturerData;
  std::optional<std::uint8_t> percentage;  // Battery1
  // GattService1 and GattCharacteristic1
  std::string uuid;
  std::string parent;  // the device of a service, the service of a characteristic

  bool has(std::string_view interface) const { return interfaces.contains(interface); }
};

// This central's side of a peripheral.
struct Link {
  bool connecting = false;
  bool connected = false;
  // Connected to the system before we asked: cancelling then only lets go.
  bool systemOwned = false;
  bool wantsServices = false;
  std::vector<std::string> serviceFilter;
  std::optional<std::vector<std::string>> services;
  sd_bus_slot* connectCall = nullptr;
};

struct MessageDeleter {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using Message = std::unique_ptr<sd_bus_message, MessageDeleter>;

// Readers of one variant: they take the value when its type is the expected
// one and skip it otherwise; < 0 only when the message is malformed.
int readText(sd_bus_message* m, const char* contents, std::string* out, bool* taken) {
  if (std::strcmp(contents, "s") != 0 && std::strcmp(contents, "o") != 0) {
    return sd_bus_message_skip(m, "v");
  }
  const char* text = nullptr;
  int r = sd_bus_message_read(m, "v", contents, &text);
  if (r >= 0 && std::strlen(text) <= kMaxText) {
    *out = text;
    *taken = true;
  }
  return r;
}

int readFlag(sd_bus_message* m, const char* contents, bool* out) {
  if (std::strcmp(contents, "b") != 0) return sd_bus_message_skip(m, "v");
  int flag = 0;
  int r = sd_bus_message_read(m, "v", "b", &flag);
  if (r >= 0) *out = flag != 0;
  return r;
}

int readTextArray(sd_bus_message* m, const char* contents, std::vector<std::string>* out) {
  if (std::strcmp(contents, "as") != 0) return sd_bus_message_skip(m, "v");
  int r = sd_bus_message_enter_container(m, 'v', "as");
  if (r < 0) return r;
  if ((r = sd_bus_message_enter_container(m, 'a', "s")) < 0) return r;
  out->clear();
  const char* text = nullptr;
  while ((r = sd_bus_message_read_basic(m, 's', &text)) > 0) {
    if (out->size() < kMaxUuids && std::strlen(text) <= kMaxText) out->push_back(text);
  }
  if (r < 0) return r;
  if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  return sd_bus_message_exit_container(m);
}

// ManufacturerData a{qv}: the first entry, company id little-endian first.
int readManufacturerData(sd_bus_message* m, const char* contents, std::optional<Bytes>* out) {
  if (std::strcmp(contents, "a{qv}") != 0) return sd_bus_message_skip(m, "v");
  int r = sd_bus_message_enter_container(m, 'v', "a{qv}");
  if (r < 0) return r;
  if ((r = sd_bus_message_enter_container(m, 'a', "{qv}")) < 0) return r;
  std::optional<Bytes> first;
  while ((r = sd_bus_message_enter_container(m, 'e', "qv")) > 0) {
    std::uint16_t company = 0;
    if ((r = sd_bus_message_read_basic(m, 'q', &company)) < 0) return r;
    const char* inner = nullptr;
    if ((r = sd_bus_message_peek_type(m, nullptr, &inner)) < 0) return r;
    if (!first && inner != nullptr && std::strcmp(inner, "ay") == 0) {
      const void* data = nullptr;
      std::size_t size = 0;
      if ((r = sd_bus_message_enter_container(m, 'v', "ay")) < 0) return r;
      if ((r = sd_bus_message_read_array(m, 'y', &data, &size)) < 0) return r;
      if ((r = sd_bus_message_exit_container(m)) < 0) return r;
      Bytes bytes = {static_cast<std::uint8_t>(company & 0xff),
                     static_cast<std::uint8_t>(company >> 8)};
      const auto* begin = static_cast<const std::uint8_t*>(data);
      bytes.insert(bytes.end(), begin, begin + std::min(size, kMaxManufacturerBytes));
      first = std::move(bytes);
    } else if ((r = sd_bus_message_skip(m, "v")) < 0) {
      return r;
    }
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  if (first) *out = std::move(first);
  return 0;
}

// Which properties of an a{sv} changed, for the event rules.
struct Changes {
  bool connected = false;
  bool servicesResolved = false;
  bool advertisement = false;  // RSSI or ManufacturerData
  bool powered = false;
};

// Reads an a{sv} of interface into object.
int readProperties(sd_bus_message* m, std::string_view interface, Object& object,
                   Changes& changes) {
  int r = sd_bus_message_enter_container(m, 'a', "{sv}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
    const char* key = nullptr;
    if ((r = sd_bus_message_read_basic(m, 's', &key)) < 0) return r;
    const char* contents = nullptr;
    if ((r = sd_bus_message_peek_type(m, nullptr, &contents)) < 0) return r;
    if (contents == nullptr) contents = "";
    const std::string_view name = key;
    bool taken = false;
    if (interface == kAdapterInterface && name == "Powered") {
      r = readFlag(m, contents, &object.powered);
      changes.powered = true;
    } else if (interface == kDeviceInterface && name == "Address") {
      r = readText(m, contents, &object.address, &taken);
      if (taken) object.address = upper(object.address);
    } else if (interface == kDeviceInterface && name == "Name") {
      std::string text;
      r = readText(m, contents, &text, &taken);
      if (taken) object.name = text;
    } else if (interface == kDeviceInterface && name == "Connected") {
      r = readFlag(m, contents, &object.connected);
      changes.connected = true;
    } else if (interface == kDeviceInterface && name == "ServicesResolved") {
      r = readFlag(m, contents, &object.servicesResolved);
      changes.servicesResolved = true;
    } else if (interface == kDeviceInterface && name == "UUIDs") {
      r = readTextArray(m, contents, &object.uuids);
    } else if (interface == kDeviceInterface && name == "RSSI" && std::strcmp(contents, "n") == 0) {
      std::int16_t rssi = 0;
      r = sd_bus_message_read(m, "v", "n", &rssi);
      object.rssi = rssi;
      changes.advertisement = true;
    } else if (interface == kDeviceInterface && name == "ManufacturerData") {
      r = readManufacturerData(m, contents, &object.manufacturerData);
      changes.advertisement = true;
    } else if (interface == kBatteryInterface && name == "Percentage" &&
               std::strcmp(contents, "y") == 0) {
      std::uint8_t percentage = 0;
      r = sd_bus_message_read(m, "v", "y", &percentage);
      object.percentage = percentage;
    } else if ((interface == kServiceInterface || interface == kCharacteristicInterface) &&
               name == "UUID") {
      r = readText(m, contents, &object.uuid, &taken);
      if (taken) object.uuid = shortUuid(object.uuid);
    } else if ((interface == kServiceInterface && name == "Device") ||
               (interface == kCharacteristicInterface && name == "Service")) {
      r = readText(m, contents, &object.parent, &taken);
    } else {
      r = sd_bus_message_skip(m, "v");
    }
    if (r < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

bool tracked(std::string_view interface) {
  return interface == kAdapterInterface || interface == kDeviceInterface ||
         interface == kBatteryInterface || interface == kServiceInterface ||
         interface == kCharacteristicInterface;
}

class LinuxBluetoothCentral final : public BluetoothCentral {
 public:
  explicit LinuxBluetoothCentral(sd_bus* bus) : bus_(bus) {
    sd_bus_set_method_call_timeout(bus_, kCallTimeoutUsec);
    addMatch(
        "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
        "member='NameOwnerChanged',arg0='org.bluez'",
        &LinuxBluetoothCentral::onNameOwnerChanged);
    addMatch(
        "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.ObjectManager',"
        "member='InterfacesAdded'",
        &LinuxBluetoothCentral::onInterfacesAdded);
    addMatch(
        "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.ObjectManager',"
        "member='InterfacesRemoved'",
        &LinuxBluetoothCentral::onInterfacesRemoved);
    addMatch(
        "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.Properties',"
        "member='PropertiesChanged',path_namespace='/org/bluez'",
        &LinuxBluetoothCentral::onPropertiesChanged);
    loadObjects();
    state_ = computeState();
    // As on every platform, the first event says what the central can do.
    const CentralState state = state_;
    post([state](BluetoothCentralDelegate& d) { d.centralDidUpdateState(state); });
  }

  ~LinuxBluetoothCentral() override {
    for (auto& [id, link] : links_) sd_bus_slot_unref(link.connectCall);
    for (auto* slot : reads_) sd_bus_slot_unref(slot);
    for (auto* slot : matches_) sd_bus_slot_unref(slot);
    sd_bus_flush_close_unref(bus_);
  }

  void setDelegate(BluetoothCentralDelegate* delegate) override { delegate_ = delegate; }

  CentralState state() override { return state_; }

  std::vector<std::string> retrieveConnectedPeripherals(
      const std::vector<std::string>& services) override {
    std::vector<std::string> out;
    if (state_ != CentralState::poweredOn) return out;
    for (const auto& [path, object] : objects_) {
      if (!object.has(kDeviceInterface) || !object.connected || object.address.empty()) continue;
      // BlueZ lists a device's primary services in UUIDs, the battery
      // service included even though it exports Battery1 in its place.
      // Classic devices with a Battery1 from a headset profile have neither.
      bool match = std::any_of(services.begin(), services.end(), [&](const std::string& s) {
        return std::any_of(object.uuids.begin(), object.uuids.end(),
                           [&](const std::string& uuid) { return shortUuid(uuid) == s; });
      });
      if (match) out.push_back(object.address);
    }
    return out;
  }

  std::optional<std::string> name(const std::string& peripheral) override {
    const Object* device = deviceOf(peripheral);
    return device ? device->name : std::nullopt;
  }

  PeripheralState peripheralState(const std::string& peripheral) override {
    auto it = links_.find(peripheral);
    if (it == links_.end()) return PeripheralState::disconnected;
    if (it->second.connected) return PeripheralState::connected;
    if (it->second.connecting) return PeripheralState::connecting;
    return PeripheralState::disconnected;
  }

  std::optional<std::vector<std::string>> services(const std::string& peripheral) override {
    auto it = links_.find(peripheral);
    return it == links_.end() ? std::nullopt : it->second.services;
  }

  void connect(const std::string& peripheral) override {
    auto path = pathOf(peripheral);
    Link& link = links_[peripheral];
    if (link.connecting || link.connected) return;
    if (!path) {
      links_.erase(peripheral);
      post([peripheral](BluetoothCentralDelegate& d) {
        d.didFailToConnectPeripheral(peripheral, "BlueZ knows no such device");
      });
      return;
    }
    link.connecting = true;
    link.systemOwned = objects_[*path].connected;
    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_call(bus_, &raw, kBluez, path->c_str(),
                                           std::string(kDeviceInterface).c_str(), "Connect");
    Message call(raw);
    if (r >= 0) {
      r = sd_bus_call_async(bus_, &link.connectCall, call.get(),
                            &LinuxBluetoothCentral::onConnectReply, this, kConnectTimeoutUsec);
    }
    if (r < 0) {
      links_.erase(peripheral);
      std::string reason = std::string("cannot ask BlueZ to connect: ") + std::strerror(-r);
      post([peripheral, reason](BluetoothCentralDelegate& d) {
        d.didFailToConnectPeripheral(peripheral, reason);
      });
    }
  }

  void cancelConnection(const std::string& peripheral) override {
    auto it = links_.find(peripheral);
    if (it == links_.end()) return;
    Link link = std::move(it->second);
    links_.erase(it);
    sd_bus_slot_unref(link.connectCall);
    // A link to a device that the system had connected for someone else is
    // only let go: disconnecting it would take it from that program too.
    if (link.systemOwned) return;
    if (auto path = pathOf(peripheral)) {
      sd_bus_call_method_async(bus_, nullptr, kBluez, path->c_str(),
                               std::string(kDeviceInterface).c_str(), "Disconnect", nullptr,
                               nullptr, "");
    }
  }

  void discoverServices(const std::string& peripheral,
                        const std::vector<std::string>& services) override {
    Link& link = links_[peripheral];
    link.wantsServices = true;
    link.serviceFilter = services;
    const Object* device = deviceOf(peripheral);
    if (device && device->servicesResolved) resolveServices(peripheral);
  }

  void discoverCharacteristics(const std::string& peripheral, const std::string& service) override {
    std::optional<std::vector<std::string>> list;
    auto devicePath = pathOf(peripheral);
    if (devicePath) {
      if (auto servicePath = servicePathOf(*devicePath, service)) {
        list.emplace();
        for (const auto& [path, object] : objects_) {
          if (object.has(kCharacteristicInterface) && object.parent == *servicePath) {
            list->push_back(object.uuid);
          }
        }
      } else if (service == kBatteryService && objects_[*devicePath].has(kBatteryInterface)) {
        list = std::vector<std::string>{kBatteryLevel};
      }
    }
    post([peripheral, service, list](BluetoothCentralDelegate& d) {
      d.didDiscoverCharacteristics(peripheral, service, list);
    });
  }

  void readValue(const std::string& peripheral, const std::string& service,
                 const std::string& characteristic) override {
    auto devicePath = pathOf(peripheral);
    std::optional<std::string> servicePath;
    if (devicePath) servicePath = servicePathOf(*devicePath, service);
    if (devicePath && !servicePath && service == kBatteryService &&
        characteristic == kBatteryLevel) {
      // BlueZ keeps the battery service to itself and exports Battery1.
      std::optional<Bytes> value;
      if (auto level = objects_[*devicePath].percentage) value = Bytes{*level};
      postValue(peripheral, characteristic, value);
      return;
    }
    const std::string* characteristicPath = nullptr;
    if (servicePath) {
      for (const auto& [path, object] : objects_) {
        if (object.has(kCharacteristicInterface) && object.parent == *servicePath &&
            object.uuid == characteristic) {
          characteristicPath = &path;
          break;
        }
      }
    }
    if (characteristicPath == nullptr) {
      postValue(peripheral, characteristic, std::nullopt);
      return;
    }
    sd_bus_message* raw = nullptr;
    int r =
        sd_bus_message_new_method_call(bus_, &raw, kBluez, characteristicPath->c_str(),
                                       std::string(kCharacteristicInterface).c_str(), "ReadValue");
    Message call(raw);
    if (r >= 0) r = sd_bus_message_append(call.get(), "a{sv}", 0);
    auto* read = new PendingRead{this, peripheral, characteristic, nullptr};
    if (r >= 0) {
      r = sd_bus_call_async(bus_, &read->slot, call.get(), &LinuxBluetoothCentral::onReadReply,
                            read, kCallTimeoutUsec);
    }
    if (r < 0) {
      delete read;
      postValue(peripheral, characteristic, std::nullopt);
      return;
    }
    // The slot owns the read from here on, whether it is answered or dropped.
    sd_bus_slot_set_destroy_callback(read->slot, &LinuxBluetoothCentral::destroyRead);
    reads_.insert(read->slot);
  }

  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
      while (!events_.empty()) {
        auto event = std::move(events_.front());
        events_.pop_front();
        if (delegate_) event(*delegate_);
        if (done()) return true;
      }
      if (done()) return true;
      if (lost_) return false;
      int r;
      while ((r = sd_bus_process(bus_, nullptr)) > 0 && events_.empty()) {
      }
      if (r < 0) {
        loseBus();
        continue;
      }
      if (!events_.empty()) continue;
      auto left = std::chrono::duration_cast<std::chrono::microseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return done();
      r = sd_bus_wait(bus_, static_cast<std::uint64_t>(left.count()));
      // A signal ends the wait early so that the owner can look at its flags.
      if (r == -EINTR) return done();
      if (r < 0) loseBus();
    }
  }

 private:
  struct PendingRead {
    LinuxBluetoothCentral* self;
    std::string peripheral;
    std::string characteristic;
    sd_bus_slot* slot;
  };

  using Event = std::function<void(BluetoothCentralDelegate&)>;
  void post(Event event) { events_.push_back(std::move(event)); }

  void postValue(const std::string& peripheral, const std::string& characteristic,
                 std::optional<Bytes> value) {
    post([peripheral, characteristic, value](BluetoothCentralDelegate& d) {
      d.didUpdateValue(peripheral, characteristic, value);
    });
  }

  void addMatch(const char* rule, sd_bus_message_handler_t handler) {
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_match(bus_, &slot, rule, handler, this) >= 0) matches_.push_back(slot);
  }

  std::optional<std::string> pathOf(const std::string& peripheral) const {
    auto it = paths_.find(peripheral);
    if (it == paths_.end()) return std::nullopt;
    return it->second;
  }

  const Object* deviceOf(const std::string& peripheral) const {
    auto path = pathOf(peripheral);
    if (!path) return nullptr;
    auto it = objects_.find(*path);
    return it == objects_.end() ? nullptr : &it->second;
  }

  std::optional<std::string> servicePathOf(const std::string& devicePath,
                                           const std::string& service) const {
    for (const auto& [path, object] : objects_) {
      if (object.has(kServiceInterface) && object.parent == devicePath && object.uuid == service) {
        return path;
      }
    }
    return std::nullopt;
  }

  CentralState computeState() const {
    bool anyAdapter = false;
    for (const auto& [path, object] : objects_) {
      if (!object.has(kAdapterInterface)) continue;
      if (object.powered) return CentralState::poweredOn;
      anyAdapter = true;
    }
    return anyAdapter ? CentralState::poweredOff : CentralState::unsupported;
  }

  void updateState() {
    CentralState state = computeState();
    if (state == state_) return;
    state_ = state;
    post([state](BluetoothCentralDelegate& d) { d.centralDidUpdateState(state); });
  }

  void resolveServices(const std::string& peripheral) {
    auto path = pathOf(peripheral);
    Link& link = links_[peripheral];
    if (!path || !link.wantsServices) return;
    std::vector<std::string> found;
    for (const auto& [p, object] : objects_) {
      if (object.has(kServiceInterface) && object.parent == *path) found.push_back(object.uuid);
    }
    if (objects_[*path].has(kBatteryInterface)) found.push_back(kBatteryService);
    std::vector<std::string> kept;
    for (const auto& uuid : found) {
      bool wanted = link.serviceFilter.empty() ||
                    std::find(link.serviceFilter.begin(), link.serviceFilter.end(), uuid) !=
                        link.serviceFilter.end();
      if (wanted && std::find(kept.begin(), kept.end(), uuid) == kept.end()) kept.push_back(uuid);
    }
    link.services = std::move(kept);
    link.wantsServices = false;
    post([peripheral](BluetoothCentralDelegate& d) { d.didDiscoverServices(peripheral); });
  }

  // Reads one object's a{sa{sv}}; returns the interfaces read, or < 0.
  int readObject(sd_bus_message* m, const std::string& path, std::vector<std::string>* added,
                 Changes& changes) {
    int r = sd_bus_message_enter_container(m, 'a', "{sa{sv}}");
    if (r < 0) return r;
    const bool fits = objects_.size() < kMaxObjects || objects_.contains(path);
    while ((r = sd_bus_message_enter_container(m, 'e', "sa{sv}")) > 0) {
      const char* interface = nullptr;
      if ((r = sd_bus_message_read_basic(m, 's', &interface)) < 0) return r;
      if (fits && tracked(interface)) {
        Object& object = objects_[path];
        object.interfaces.insert(interface);
        added->push_back(interface);
        r = readProperties(m, interface, object, changes);
      } else {
        r = sd_bus_message_skip(m, "a{sv}");
      }
      if (r < 0) return r;
      if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    }
    if (r < 0) return r;
    return sd_bus_message_exit_container(m);
  }

  void indexDevice(const std::string& path) {
    auto it = objects_.find(path);
    if (it != objects_.end() && it->second.has(kDeviceInterface) && !it->second.address.empty()) {
      paths_[it->second.address] = path;
    }
  }

  void loadObjects() {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* raw = nullptr;
    int r = sd_bus_call_method(bus_, kBluez, "/", "org.freedesktop.DBus.ObjectManager",
                               "GetManagedObjects", &error, &raw, "");
    Message reply(raw);
    sd_bus_error_free(&error);
    if (r < 0) return;  // no BlueZ: the state says unsupported
    if (sd_bus_message_enter_container(reply.get(), 'a', "{oa{sa{sv}}}") < 0) return;
    while (sd_bus_message_enter_container(reply.get(), 'e', "oa{sa{sv}}") > 0) {
      const char* path = nullptr;
      if (sd_bus_message_read_basic(reply.get(), 'o', &path) < 0) break;
      std::vector<std::string> added;
      Changes ignored;
      if (readObject(reply.get(), path, &added, ignored) < 0) break;
      indexDevice(path);
      if (sd_bus_message_exit_container(reply.get()) < 0) break;
    }
  }

  void forgetEverything() {
    for (auto& [peripheral, link] : links_) {
      sd_bus_slot_unref(link.connectCall);
      std::string id = peripheral;
      if (link.connected) {
        post([id](BluetoothCentralDelegate& d) { d.didDisconnectPeripheral(id); });
      } else if (link.connecting) {
        post([id](BluetoothCentralDelegate& d) {
          d.didFailToConnectPeripheral(id, "BlueZ went away");
        });
      }
    }
    links_.clear();
    objects_.clear();
    paths_.clear();
  }

  void loseBus() {
    if (lost_) return;
    lost_ = true;
    forgetEverything();
    updateState();
  }

  static int onNameOwnerChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<LinuxBluetoothCentral*>(userdata);
    const char *name = nullptr, *before = nullptr, *after = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0) return 0;
    self->forgetEverything();
    if (after != nullptr && *after != '\0') self->loadObjects();
    self->updateState();
    return 0;
  }

  static int onInterfacesAdded(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<LinuxBluetoothCentral*>(userdata);
    const char* path = nullptr;
    if (sd_bus_message_read_basic(m, 'o', &path) < 0) return 0;
    std::vector<std::string> added;
    Changes changes;
    if (self->readObject(m, path, &added, changes) < 0) return 0;
    self->indexDevice(path);
    bool device = std::find(added.begin(), added.end(), kDeviceInterface) != added.end();
    if (device) self->reportDiscovery(path);
    self->afterChange(path, changes);
    return 0;
  }

  static int onInterfacesRemoved(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<LinuxBluetoothCentral*>(userdata);
    const char* path = nullptr;
    if (sd_bus_message_read_basic(m, 'o', &path) < 0) return 0;
    auto it = self->objects_.find(path);
    if (it == self->objects_.end()) return 0;
    if (sd_bus_message_enter_container(m, 'a', "s") < 0) return 0;
    const char* interface = nullptr;
    while (sd_bus_message_read_basic(m, 's', &interface) > 0) {
      if (std::string_view(interface) == kDeviceInterface) {
        Changes changes;
        it->second.connected = false;
        changes.connected = true;
        self->afterChange(path, changes);
        self->paths_.erase(it->second.address);
      }
      it->second.interfaces.erase(std::string(interface));
    }
    if (it->second.interfaces.empty()) self->objects_.erase(it);
    self->updateState();
    return 0;
  }

  static int onPropertiesChanged(sd_bus_message* m, void* userdata, sd_bus_error*) {
    auto* self = static_cast<LinuxBluetoothCentral*>(userdata);
    const char* interface = nullptr;
    if (sd_bus_message_read_basic(m, 's', &interface) < 0 || !tracked(interface)) return 0;
    const char* objectPath = sd_bus_message_get_path(m);
    if (objectPath == nullptr) return 0;
    const std::string path = objectPath;
    auto it = self->objects_.find(path);
    if (it == self->objects_.end() || !it->second.has(interface)) return 0;
    Changes changes;
    if (readProperties(m, interface, it->second, changes) < 0) return 0;
    if (changes.advertisement) self->reportDiscovery(path);
    self->afterChange(path, changes);
    return 0;
  }

  // BlueZ does not say whether an advertisement was connectable; every
  // report is taken as connectable, which is what a device that BlueZ lists
  // usually is.
  void reportDiscovery(const std::string& path) {
    const Object& object = objects_[path];
    if (object.address.empty()) return;
    AdvertisementData advertisement{true, object.manufacturerData, object.rssi};
    std::string id = object.address;
    post([id, advertisement](BluetoothCentralDelegate& d) {
      d.didDiscoverPeripheral(id, advertisement);
    });
  }

  void afterChange(const std::string& path, const Changes& changes) {
    if (changes.powered) updateState();
    auto it = objects_.find(path);
    if (it == objects_.end() || it->second.address.empty()) return;
    const Object& object = it->second;
    const std::string id = object.address;
    auto link = links_.find(id);
    if (link == links_.end()) return;
    if (changes.connected && !object.connected && link->second.connected) {
      links_.erase(link);
      post([id](BluetoothCentralDelegate& d) { d.didDisconnectPeripheral(id); });
      return;
    }
    if (changes.servicesResolved && object.servicesResolved && link->second.wantsServices) {
      resolveServices(id);
    }
  }

  static int onConnectReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto* self = static_cast<LinuxBluetoothCentral*>(userdata);
    sd_bus_slot* slot = sd_bus_get_current_slot(self->bus_);
    for (auto& [peripheral, link] : self->links_) {
      if (link.connectCall != slot) continue;
      std::string id = peripheral;
      sd_bus_slot_unref(link.connectCall);
      link.connectCall = nullptr;
      link.connecting = false;
      const sd_bus_error* error = sd_bus_message_get_error(reply);
      const Object* device = self->deviceOf(id);
      bool already = error != nullptr &&
                     sd_bus_error_has_name(error, "org.bluez.Error.AlreadyConnected") &&
                     device != nullptr && device->connected;
      if (error != nullptr && !already) {
        std::string reason = error->message ? error->message : (error->name ? error->name : "");
        self->links_.erase(id);
        self->post([id, reason](BluetoothCentralDelegate& d) {
          d.didFailToConnectPeripheral(id, reason);
        });
      } else {
        link.connected = true;
        self->post([id](BluetoothCentralDelegate& d) { d.didConnectPeripheral(id); });
      }
      break;
    }
    return 0;
  }

  static int onReadReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto* read = static_cast<PendingRead*>(userdata);
    std::optional<Bytes> value;
    if (sd_bus_message_get_error(reply) == nullptr) {
      const void* data = nullptr;
      std::size_t size = 0;
      if (sd_bus_message_read_array(reply, 'y', &data, &size) >= 0) {
        const auto* begin = static_cast<const std::uint8_t*>(data);
        value = Bytes(begin, begin + std::min(size, kMaxValueBytes));
      }
    }
    read->self->postValue(read->peripheral, read->characteristic, std::move(value));
    sd_bus_slot* slot = read->slot;
    read->self->reads_.erase(slot);
    sd_bus_slot_unref(slot);
    return 0;
  }

  static void destroyRead(void* userdata) { delete static_cast<PendingRead*>(userdata); }

  sd_bus* bus_;
  BluetoothCentralDelegate* delegate_ = nullptr;
  std::vector<sd_bus_slot*> matches_;
  std::set<sd_bus_slot*> reads_;
  std::map<std::string, Object> objects_;     // by object path
  std::map<std::string, std::string> paths_;  // identifier to device path
  std::map<std::string, Link> links_;         // by identifier
  std::deque<Event> events_;
  CentralState state_ = CentralState::unknown;
  bool lost_ = false;
};

}  // namespace

Result<std::unique_ptr<BluetoothCentral>> newLinuxBluetoothCentral() {
  sd_bus* bus = nullptr;
  int r = sd_bus_open_system(&bus);
  if (r < 0) return failure(errnoMessage("cannot connect to the system bus", -r));
  return std::unique_ptr<BluetoothCentral>(std::make_unique<LinuxBluetoothCentral>(bus));
}

}  // namespace tellwick::os
