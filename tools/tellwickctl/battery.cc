#include "tools/tellwickctl/battery.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/exit_codes.h"
#include "tools/tellwickctl/table.h"

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

}  // namespace

std::string internalBatteryJson(const InternalBattery* b) {
  Json document = Json::object();
  if (!b) {
    document["internalBattery"] = nullptr;
    return jsonText(document);
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
  return jsonText(document);
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
  Table table({{}, {}}, 0);
  for (const auto& [label, value] : rows) table.add({label, value});
  return table.render();
}

std::string peripheralsJson(const BatteryDevices& devices) {
  Json list = Json::array();
  for (const auto& device : devices) list.push_back(plistJson(device->encode()));
  Json document = Json::object();
  document["peripherals"] = std::move(list);
  return jsonText(document);
}

std::string peripheralsText(const BatteryDevices& devices) {
  if (devices.empty()) return "no peripheral batteries\n";
  Table table({{"NAME"}, {"TYPE"}, {"LEVEL"}, {"CHARGING"}, {"MANUFACTURER"}, {"SERIAL"}}, 0);
  for (const auto& d : devices) {
    table.add({d->name(), std::string(rawValue(d->type())), levelText(d->batteryLevel()),
               d->isCharging() ? "yes" : "no", d->manufacturer().value_or("-"), d->serial()});
  }
  return table.render();
}

int batteryCommand(Context& context, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(context, line, "battery does not take '" + line.words[1] + "'");
  auto sources = os::newLinuxPowerSources();
  auto registry = os::newLinuxIoRegistry(Manufacturers::known);
  // The finder treats an unreadable list as no battery; say why instead.
  if (auto list = sources->copyPowerSourceDescriptions(); !list.ok()) {
    context.err << "tellwickctl battery: " << list.error() << "\n";
    return kExitUnavailable;
  }
  InternalFinder finder(*registry, *sources);
  const auto battery = finder.find();
  context.out << (line.options.json ? internalBatteryJson(battery.get()) : internalBatteryText(battery.get()))
              << std::flush;
  return kExitOk;
}

int peripheralsCommand(Context& context, const CommandLine& line) {
  if (line.words.size() > 1) return refuse(context, line, "peripherals does not take '" + line.words[1] + "'");
  auto registry = os::newLinuxIoRegistry(Manufacturers::known);
  if (auto probe = registry->matchingServices(BluetoothFinder::registryClasses().front()); !probe.ok()) {
    context.err << "tellwickctl peripherals: " << probe.error() << "\n";
    return kExitUnavailable;
  }
  BluetoothFinder finder(*registry);
  finder.update();
  context.out << (line.options.json ? peripheralsJson(finder.devices()) : peripheralsText(finder.devices()))
              << std::flush;
  return kExitOk;
}

extern const Command kBattery;
extern const Command kPeripherals;
const Command kBattery{"battery", "[--json]", "Prints this computer's own battery, read from the kernel's power supplies.\n",
                       kJsonOption, &batteryCommand};
const Command kPeripherals{"peripherals", "[--json]",
                           "Prints the battery levels of HID keyboards, mice and trackpads.\n", kJsonOption,
                           &peripheralsCommand};

}  // namespace tellwick::ctl
