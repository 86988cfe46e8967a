// system_profiler: the platform's hardware report for the data types that
// Tellwick reads, built on Linux from BlueZ on the system bus.
#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/system_profiler/system_profiler_report.h"

namespace {

using tellwick::tools::BluetoothAdapter;
using tellwick::tools::BluetoothDevice;

constexpr std::string_view kBluetoothDataType = "SPBluetoothDataType";

constexpr const char* kUsage =
    "usage: system_profiler [DATATYPE ...]\n"
    "       system_profiler -listDataTypes\n"
    "\n"
    "Prints a report in the platform's indented layout for each data type\n"
    "given (SPBluetoothDataType when none is). Unknown data types print\n"
    "nothing.\n"
    "\n"
    "SPBluetoothDataType reads BlueZ (org.bluez) on the system bus, or on\n"
    "DBUS_SYSTEM_BUS_ADDRESS when set: each adapter with its address and\n"
    "power state, then the known devices grouped as Connected and Not\n"
    "Connected, with their address, vendor and product identifiers, minor\n"
    "type and battery level. BlueZ reports one battery level per device, so\n"
    "earbuds appear as a single device: there are no left, right or case\n"
    "levels on Linux.\n"
    "\n"
    "Exit status: 0 on success (also when BlueZ is not running: the report\n"
    "is then the title line alone), 1 when the system bus cannot be used,\n"
    "2 on a usage error.\n";

// A property value of the kinds the report reads; anything else is skipped.
using Value = std::variant<std::monostate, std::string, bool, std::uint8_t>;
using Interfaces = std::map<std::string, std::map<std::string, Value>>;
using Objects = std::map<std::string, Interfaces>;  // ordered by object path

struct BusError {
  std::string message;
  bool serviceMissing = false;
};

struct BusDeleter {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageDeleter {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

std::string errnoText(int r) { return std::strerror(r < 0 ? -r : r); }

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
  } else {
    if ((r = sd_bus_message_skip(m, "v")) < 0) return r;
  }
  return 0;
}

// Decodes GetManagedObjects' a{oa{sa{sv}}}.
int readObjects(sd_bus_message* m, Objects& objects) {
  int r = sd_bus_message_enter_container(m, 'a', "{oa{sa{sv}}}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "oa{sa{sv}}")) > 0) {
    const char* path = nullptr;
    if ((r = sd_bus_message_read(m, "o", &path)) < 0) return r;
    Interfaces& interfaces = objects[path];
    if ((r = sd_bus_message_enter_container(m, 'a', "{sa{sv}}")) < 0) return r;
    while ((r = sd_bus_message_enter_container(m, 'e', "sa{sv}")) > 0) {
      const char* interface = nullptr;
      if ((r = sd_bus_message_read(m, "s", &interface)) < 0) return r;
      auto& properties = interfaces[interface];
      if ((r = sd_bus_message_enter_container(m, 'a', "{sv}")) < 0) return r;
      while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
        const char* name = nullptr;
        if ((r = sd_bus_message_read(m, "s", &name)) < 0) return r;
        if ((r = readVariant(m, properties[name])) < 0) return r;
        if ((r = sd_bus_message_exit_container(m)) < 0) return r;
      }
      if (r < 0) return r;
      if ((r = sd_bus_message_exit_container(m)) < 0) return r;
      if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    }
    if (r < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

std::optional<BusError> managedObjects(Objects& objects) {
  sd_bus* raw = nullptr;
  int r = sd_bus_open_system(&raw);
  std::unique_ptr<sd_bus, BusDeleter> bus(raw);
  if (r < 0) return BusError{"cannot connect to the system bus: " + errnoText(r)};
  sd_bus_set_method_call_timeout(bus.get(), 10 * 1000 * 1000);

  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  r = sd_bus_call_method(bus.get(), "org.bluez", "/", "org.freedesktop.DBus.ObjectManager",
                         "GetManagedObjects", &error, &reply, "");
  std::unique_ptr<sd_bus_message, MessageDeleter> owned(reply);
  if (r < 0) {
    BusError failure;
    failure.serviceMissing = sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
                             sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER);
    failure.message =
        std::string("cannot read BlueZ: ") + (error.message ? error.message : errnoText(r).c_str());
    sd_bus_error_free(&error);
    return failure;
  }
  sd_bus_error_free(&error);
  if ((r = readObjects(reply, objects)) < 0) {
    return BusError{"cannot decode BlueZ's objects: " + errnoText(r)};
  }
  return std::nullopt;
}

template <class T>
std::optional<T> get(const std::map<std::string, Value>& properties, const std::string& name) {
  auto it = properties.find(name);
  if (it == properties.end()) return std::nullopt;
  if (const T* value = std::get_if<T>(&it->second)) return *value;
  return std::nullopt;
}

void collect(const Objects& objects, std::vector<BluetoothAdapter>& adapters,
             std::vector<BluetoothDevice>& devices) {
  for (const auto& [path, interfaces] : objects) {
    if (auto it = interfaces.find("org.bluez.Adapter1"); it != interfaces.end()) {
      BluetoothAdapter adapter;
      adapter.address = get<std::string>(it->second, "Address").value_or("");
      adapter.powered = get<bool>(it->second, "Powered").value_or(false);
      adapters.push_back(adapter);
    }
    if (auto it = interfaces.find("org.bluez.Device1"); it != interfaces.end()) {
      const auto& properties = it->second;
      BluetoothDevice device;
      device.address = get<std::string>(properties, "Address").value_or("");
      device.alias = get<std::string>(properties, "Alias")
                         .value_or(get<std::string>(properties, "Name").value_or(""));
      device.connected = get<bool>(properties, "Connected").value_or(false);
      device.modalias = get<std::string>(properties, "Modalias");
      device.icon = get<std::string>(properties, "Icon");
      if (auto battery = interfaces.find("org.bluez.Battery1"); battery != interfaces.end()) {
        device.batteryPercentage = get<std::uint8_t>(battery->second, "Percentage");
      }
      devices.push_back(std::move(device));
    }
  }
}

// Returns the exit status.
int printBluetooth(std::string& out) {
  Objects objects;
  if (auto error = managedObjects(objects)) {
    if (!error->serviceMissing) {
      std::fprintf(stderr, "system_profiler: %s\n", error->message.c_str());
      return 1;
    }
  }
  std::vector<BluetoothAdapter> adapters;
  std::vector<BluetoothDevice> devices;
  collect(objects, adapters, devices);
  out += tellwick::tools::bluetoothReport(adapters, devices);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> types;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "-help" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-listDataTypes") {
      std::printf("Available Datatypes:\n%s\n", kBluetoothDataType.data());
      return 0;
    }
    if (arg.starts_with("-")) {
      std::fprintf(stderr, "system_profiler: unknown option %s (try --help)\n", argv[i]);
      return 2;
    }
    types.push_back(arg);
  }
  if (types.empty()) types.push_back(kBluetoothDataType);

  std::string out;
  bool bluetoothDone = false;
  for (auto type : types) {
    if (type != kBluetoothDataType || bluetoothDone) continue;
    bluetoothDone = true;
    if (int status = printBluetooth(out); status != 0) return status;
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "system_profiler: cannot write the report: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
