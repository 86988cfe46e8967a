#include "tools/tellwickctl/battery.h"
#include "tools/tellwickctl/category.h"
#include "tools/tellwickctl/commands.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "battery/manufacturers.h"
#include "os/power/io_registry.h"
#include "os/power/power_sources.h"

namespace tellwick::ctl {
namespace {


template <typename T>
Json orNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

std::optional<std::string> dateText(const std::optional<std::chrono::year_month_day>& date) {
  if (!date) return std::nullopt;
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date->year()),
                static_cast<unsigned>(date->month()), static_cast<unsigned>(date->day()));
  return text;
}

std::optional<std::string> conditionText(const std::optional<BatteryCondition>& condition) {
  if (!condition) return std::nullopt;
  switch (*condition) {
    case BatteryCondition::good:
      return "good";
    case BatteryCondition::fair:
      return "fair";
    case BatteryCondition::poor:
      return "poor";
  }
  return std::nullopt;
}

std::optional<std::string> numberText(const std::optional<double>& value, const char* format) {
  if (!value) return std::nullopt;
  char text[64];
  std::snprintf(text, sizeof text, format, *value);
  return text;
}

template <typename T>
std::string shown(const std::optional<T>& value) {
  if (!value) return "-";
  if constexpr (std::is_same_v<T, bool>) {
    return *value ? "yes" : "no";
  } else if constexpr (std::is_same_v<T, std::string>) {
    return *value;
  } else {
    return std::to_string(*value);
  }
}

struct Options {
  bool json = false;
  bool help = false;
};

std::optional<Options> parse(const std::vector<std::string>& arguments, const char* command,
                             const char* usage) {
  Options options;
  for (const auto& a : arguments) {
    if (a == "--json") {
      options.json = true;
    } else if (a == "-h" || a == "--help") {
      options.help = true;
    } else {
      std::fprintf(stderr, "tellwickctl %s: unexpected argument '%s'\n%s", command, a.c_str(),
                   usage);
      return std::nullopt;
    }
  }
  return options;
}

std::optional<std::string> knownVendor(std::uint16_t vendor) {
  const auto& names = Manufacturers::map();
  if (auto it = names.find(vendor); it != names.end()) return it->second;
  return std::nullopt;
}

void print(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

constexpr const char* kBatteryUsage =
    "usage: tellwickctl battery [--json]\n"
    "Prints this computer's own battery, read from the kernel's power supplies.\n";
constexpr const char* kPeripheralsUsage =
    "usage: tellwickctl peripherals [--json]\n"
    "Prints the battery levels of HID keyboards, mice and trackpads.\n";

}  // namespace

std::string internalBatteryJson(const InternalBattery* b) {
  Json document = Json::object();
  if (!b) {
    document["internalBattery"] = nullptr;
    return document.dump(2) + "\n";
  }
  Json o = Json::object();
  o["class"] = dynamic_cast<const LegacyInternalBattery*>(b) ? "legacy" : "apple";
  o["name"] = orNull(b->name());
  o["timeToFull"] = orNull(b->timeToFull());
  o["timeToEmpty"] = orNull(b->timeToEmpty());
  o["manufacturer"] = orNull(b->manufacturer());
  o["manufactureDate"] = orNull(dateText(b->manufactureDate()));
  o["designCapacity"] = orNull(b->designCapacity());
  o["maxCapacity"] = orNull(b->maxCapacity());
  o["currentCapacity"] = orNull(b->currentCapacity());
  o["designCapacityText"] = b->designCapacityText();
  o["maxCapacityText"] = b->maxCapacityText();
  o["currentCapacityText"] = b->currentCapacityText();
  o["cycleCount"] = orNull(b->cycleCount());
  o["designCycleCount"] = orNull(b->designCycleCount());
  o["acPowered"] = orNull(b->acPowered());
  o["isCharging"] = orNull(b->isCharging());
  o["isCharged"] = orNull(b->isCharged());
  o["amperage"] = orNull(b->amperage());
  o["voltage"] = orNull(b->voltage());
  o["watts"] = orNull(b->watts());
  o["health"] = orNull(b->health());
  o["temperature"] = orNull(b->temperature());
  o["level"] = orNull(b->level());
  o["condition"] = orNull(conditionText(b->condition()));
  o["timeRemainingText"] = b->timeRemainingText();
  o["timeRemaining"] = orNull(b->timeRemaining());
  document["internalBattery"] = std::move(o);
  return document.dump(2) + "\n";
}

std::string internalBatteryText(const InternalBattery* b) {
  if (!b) return "no internal battery\n";
  const std::pair<const char*, std::string> rows[] = {
      {"Name", shown(b->name())},
      {"Kind", dynamic_cast<const LegacyInternalBattery*>(b) ? "SMBus gauge" : "system controller"},
      {"Level", b->level() ? std::to_string(*b->level()) + " %" : "-"},
      {"Power source", b->acPowered() == true ? "power adapter" : "battery"},
      {"Charging", shown(b->isCharging())},
      {"Fully charged", shown(b->isCharged())},
      {"Time remaining", b->timeRemainingText()},
      {"Current capacity", b->currentCapacityText()},
      {"Full capacity", b->maxCapacityText()},
      {"Design capacity", b->designCapacityText()},
      {"Health", shown(numberText(b->health(), "%.1f %%"))},
      {"Condition", shown(conditionText(b->condition()))},
      {"Cycle count", shown(b->cycleCount())},
      {"Design cycle count", shown(b->designCycleCount())},
      {"Amperage", b->amperage() ? std::to_string(*b->amperage()) + " mA" : "-"},
      {"Voltage", shown(numberText(b->voltage(), "%.3f V"))},
      {"Power", shown(numberText(b->watts(), "%.2f W"))},
      {"Temperature", shown(numberText(b->temperature(), "%.2f °C"))},
      {"Manufacturer", shown(b->manufacturer())},
      {"Manufactured", shown(dateText(b->manufactureDate()))},
  };
  std::string out;
  for (const auto& [label, value] : rows) {
    std::string line = label;
    line.resize(20, ' ');
    out += line + value + "\n";
  }
  return out;
}

std::string peripheralsJson(const BatteryDevices& devices) {
  Json list = Json::array();
  for (const auto& device : devices) list.push_back(plistJson(device->encode()));
  Json document = Json::object();
  document["peripherals"] = std::move(list);
  return document.dump(2) + "\n";
}

std::string peripheralsText(const BatteryDevices& devices) {
  if (devices.empty()) return "no peripheral batteries\n";
  std::vector<std::vector<std::string>> rows = {
      {"NAME", "TYPE", "LEVEL", "CHARGING", "MANUFACTURER", "SERIAL"}};
  for (const auto& d : devices) {
    rows.push_back({d->name(), std::string(rawValue(d->type())),
                    d->batteryLevel() ? std::to_string(*d->batteryLevel()) + "%" : "-",
                    d->isCharging() ? "yes" : "no", d->manufacturer().value_or("-"), d->serial()});
  }
  std::vector<std::size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      std::string cell = row[i];
      if (i + 1 < row.size()) cell.resize(widths[i] + 2, ' ');
      line += cell;
    }
    out += line + "\n";
  }
  return out;
}

int batteryCommand(const std::vector<std::string>& arguments) {
  const auto options = parse(arguments, "battery", kBatteryUsage);
  if (!options) return kExitUsage;
  if (options->help) {
    print(kBatteryUsage);
    return 0;
  }
  auto sources = os::newLinuxPowerSources();
  auto registry = os::newLinuxIoRegistry(knownVendor);
  // The finder treats an unreadable list as no battery; say why instead.
  if (auto list = sources->copyPowerSourceDescriptions(); !list.ok()) {
    std::fprintf(stderr, "tellwickctl battery: %s\n", list.error().c_str());
    return kExitUnavailable;
  }
  InternalFinder finder(*registry, *sources);
  const auto battery = finder.find();
  print(options->json ? internalBatteryJson(battery.get()) : internalBatteryText(battery.get()));
  return 0;
}

int peripheralsCommand(const std::vector<std::string>& arguments) {
  const auto options = parse(arguments, "peripherals", kPeripheralsUsage);
  if (!options) return kExitUsage;
  if (options->help) {
    print(kPeripheralsUsage);
    return 0;
  }
  auto registry = os::newLinuxIoRegistry(knownVendor);
  if (auto probe = registry->matchingServices(BluetoothFinder::registryClasses().front());
      !probe.ok()) {
    std::fprintf(stderr, "tellwickctl peripherals: %s\n", probe.error().c_str());
    return kExitUnavailable;
  }
  BluetoothFinder finder(*registry);
  finder.update();
  print(options->json ? peripheralsJson(finder.devices()) : peripheralsText(finder.devices()));
  return 0;
}

}  // namespace tellwick::ctl

namespace tellwick::ctl {

extern const StandaloneCommand kBattery;
extern const StandaloneCommand kPeripherals;
const StandaloneCommand kBattery{"battery", "[--json]", &batteryCommand};
const StandaloneCommand kPeripherals{"peripherals", "[--json]", &peripheralsCommand};

}  // namespace tellwick::ctl
