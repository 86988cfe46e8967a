#include "tools/tellwickctl_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

#include "kit/disk_utilities.h"
#include "protocol/record_coding.h"

namespace tellwick::ctl {
namespace {

using Json = nlohmann::ordered_json;

const char* const kCommandNames[] = {"sensors", "fans", "traffic", "batteries"};

// Columns line up by characters on the terminal, not by bytes ("°C").
std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

enum class Align { left, right };

class Table {
 public:
  explicit Table(std::vector<std::pair<std::string, Align>> columns) : columns_(std::move(columns)) {
    std::vector<std::string> header;
    for (const auto& c : columns_) header.push_back(c.first);
    rows_.push_back(std::move(header));
  }

  void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }

  std::string render() const {
    std::vector<std::size_t> widths(columns_.size(), 0);
    for (const auto& row : rows_) {
      for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], displayWidth(row[i]));
    }
    std::string out;
    for (const auto& row : rows_) {
      std::string line = "  ";
      for (std::size_t i = 0; i < row.size(); ++i) {
        std::string pad(widths[i] - displayWidth(row[i]), ' ');
        bool last = i + 1 == row.size();
        if (columns_[i].second == Align::right) {
          line += pad + row[i];
        } else {
          line += row[i];
          if (!last) line += pad;
        }
        if (!last) line += "  ";
      }
      out += line + "\n";
    }
    return out;
  }

 private:
  std::vector<std::pair<std::string, Align>> columns_;
  std::vector<std::vector<std::string>> rows_;
};

std::string fixed(double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
  return buffer;
}

const char* unitOf(SensorType type) {
  switch (type) {
    case SensorType::thermal: return "°C";
    case SensorType::voltage: return "V";
    case SensorType::current: return "A";
    case SensorType::power: return "W";
    case SensorType::unknown:
    case SensorType::fan: break;
  }
  return "";
}

std::string sensorValueText(const Sensor& sensor) {
  if (!sensor.value) return "-";
  if (!std::isfinite(*sensor.value)) return "-";
  std::string text = fixed(*sensor.value, sensor.fractionDigits());
  std::string unit = unitOf(sensor.type());
  return unit.empty() ? text : text + " " + unit;
}

std::string levelText(std::optional<std::uint8_t> level) {
  return level ? std::to_string(*level) + "%" : "-";
}

std::string bytesText(std::uint64_t count) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return DiskUtilities::byteCountText(static_cast<std::int64_t>(std::min(count, kMax)));
}

template <typename List>
bool hasNothing(const std::optional<List>& list) {
  return !list || list->empty();
}

const char* const kNone = "  none reported\n";

std::string sensorsSection(const Answers& a) {
  std::string out = "Sensors\n";
  if (hasNothing(a.sensors)) return out + kNone;
  Table table({{"IDENTIFIER", Align::left}, {"DESCRIPTION", Align::left}, {"VALUE", Align::right}});
  for (const auto& s : *a.sensors) table.add({s.identifier, s.description, sensorValueText(s)});
  return out + table.render();
}

std::string fansSection(const Answers& a) {
  std::string out = "Fans\n";
  if (hasNothing(a.fans)) return out + kNone;
  Table table({{"IDENTIFIER", Align::left},
               {"NAME", Align::left},
               {"RPM", Align::right},
               {"MIN", Align::right},
               {"MAX", Align::right},
               {"TARGET", Align::right}});
  for (const auto& f : *a.fans) {
    table.add({f.identifier, f.name, std::to_string(f.rpm), std::to_string(f.min),
               std::to_string(f.max), std::to_string(f.target)});
  }
  return out + table.render();
}

std::string trafficSection(const Answers& a) {
  std::string out = "Traffic\n";
  if (hasNothing(a.traffic)) return out + kNone;
  Table table({{"PID", Align::right},
               {"NAME", Align::left},
               {"SENT", Align::right},
               {"RECEIVED", Align::right}});
  for (const auto& t : *a.traffic) {
    table.add({std::to_string(t.pid()), t.name(), bytesText(t.sent()), bytesText(t.received())});
  }
  return out + table.render();
}

std::string batteriesSection(const Answers& a) {
  std::string out = "Single battery devices\n";
  if (hasNothing(a.singleBatteryDevices)) {
    out += kNone;
  } else {
    Table table({{"NAME", Align::left},
                 {"TYPE", Align::left},
                 {"LEVEL", Align::right},
                 {"CHARGING", Align::left},
                 {"MANUFACTURER", Align::left},
                 {"SERIAL", Align::left}});
    for (const auto& d : *a.singleBatteryDevices) {
      if (!d) continue;
      table.add({d->name(), std::string(rawValue(d->type())), levelText(d->batteryLevel()),
                 d->isCharging() ? "yes" : "no", d->manufacturer().value_or("-"), d->serial()});
    }
    out += table.render();
  }
  out += "\nDouble battery devices\n";
  if (hasNothing(a.doubleBatteryDevices)) return out + kNone;
  Table table({{"NAME", Align::left},
               {"TYPE", Align::left},
               {"LEFT", Align::right},
               {"RIGHT", Align::right},
               {"LEVEL", Align::right},
               {"MANUFACTURER", Align::left},
               {"SERIAL", Align::left}});
  for (const auto& d : *a.doubleBatteryDevices) {
    if (!d) continue;
    table.add({d->name(), std::string(rawValue(d->type())), levelText(d->firstLevel()),
               levelText(d->secondLevel()), levelText(d->batteryLevel()),
               d->manufacturer().value_or("-"), d->serial()});
  }
  return out + table.render();
}

Json toJson(const os::PlistValue& value) {
  return std::visit(
      [](const auto& v) -> Json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, os::PlistNull>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, os::PlistData>) {
          return Json(v);  // bytes as numbers; no record carries data
        } else if constexpr (std::is_same_v<T, os::PlistArray>) {
          Json array = Json::array();
          for (const auto& element : v) array.push_back(toJson(element));
          return array;
        } else if constexpr (std::is_same_v<T, os::PlistDictionary>) {
          Json object = Json::object();
          for (const auto& [key, element] : v) object[key] = toJson(element);
          return object;
        } else {
          return Json(v);
        }
      },
      value.storage);
}

template <typename List, typename Encode>
Json listJson(const std::optional<List>& list, Encode encode) {
  if (!list) return nullptr;
  return toJson(encode(*list));
}

}  // namespace

const char* const kUsage =
    "usage: tellwickctl sensors|fans|traffic|batteries|all [--json] [--timeout SECONDS]\n"
    "       tellwickctl terminate [--timeout SECONDS]\n"
    "       tellwickctl status|update [--json]\n"
    "       tellwickctl launch [--timeout SECONDS]\n"
    "       tellwickctl website\n"
    "       tellwickctl autostart on|off|status [--via xdg|systemd]\n"
    "Asks the running tellwick helper for one category (or all) and prints its answer;\n"
    "starts it, checks for updates and sets it to start at login (see tellwickctl(1)).\n"
    "  --json             print the records as one JSON document\n"
    "  --timeout SECONDS  how long to wait for the helper (default 10)\n";

ParseResult parseArguments(const std::vector<std::string>& arguments) {
  Invocation invocation;
  std::optional<std::string> command;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "-h" || a == "--help") {
      invocation.action = Invocation::Action::help;
      return {invocation, {}};
    }
    if (a == "--json") {
      invocation.json = true;
    } else if (a == "--timeout" || a.starts_with("--timeout=")) {
      std::string text;
      if (a == "--timeout") {
        if (i + 1 == arguments.size()) return {std::nullopt, "--timeout needs a number of seconds"};
        text = arguments[++i];
      } else {
        text = a.substr(std::string("--timeout=").size());
      }
      double seconds = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
      if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
          seconds <= 0 || seconds > 86400) {
        return {std::nullopt, "--timeout wants seconds between 0 and 86400, not '" + text + "'"};
      }
      invocation.timeout = std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
    } else if (a.starts_with("-")) {
      return {std::nullopt, "unknown option '" + a + "'"};
    } else if (command) {
      return {std::nullopt, "one command at a time ('" + *command + "', then '" + a + "')"};
    } else {
      command = a;
    }
  }
  if (!command) return {std::nullopt, "no command given"};
  if (*command == "terminate") {
    if (invocation.json) return {std::nullopt, "terminate prints nothing; --json does not apply"};
    invocation.action = Invocation::Action::terminate;
    return {invocation, {}};
  }
  if (*command == "all") {
    invocation.categories = {Category::sensors, Category::fans, Category::traffic,
                             Category::batteries};
    return {invocation, {}};
  }
  for (int i = 0; i < 4; ++i) {
    if (*command == kCommandNames[i]) {
      invocation.categories = {static_cast<Category>(i)};
      return {invocation, {}};
    }
  }
  return {std::nullopt, "unknown command '" + *command + "'"};
}

std::string_view categoryName(Category category) {
  return kCommandNames[static_cast<int>(category)];
}

std::string_view requestName(Category category) {
  switch (category) {
    case Category::sensors: return "RequestSensors";
    case Category::fans: return "RequestFans";
    case Category::traffic: return "RequestTraffic";
    case Category::batteries: return "RequestBatteries";
  }
  return {};
}

std::string_view responseName(Category category) {
  switch (category) {
    case Category::sensors: return "ResponseSensors";
    case Category::fans: return "ResponseFans";
    case Category::traffic: return "ResponseTraffic";
    case Category::batteries: return "ResponseBatteries";
  }
  return {};
}

std::string humanReport(const std::vector<Category>& categories, const Answers& answers) {
  std::string out;
  for (Category c : categories) {
    if (!out.empty()) out += "\n";
    switch (c) {
      case Category::sensors: out += sensorsSection(answers); break;
      case Category::fans: out += fansSection(answers); break;
      case Category::traffic: out += trafficSection(answers); break;
      case Category::batteries: out += batteriesSection(answers); break;
    }
  }
  return out;
}

std::string jsonReport(const std::vector<Category>& categories, const Answers& answers) {
  Json document = Json::object();
  for (Category c : categories) {
    switch (c) {
      case Category::sensors:
        document["sensors"] = listJson(answers.sensors, encodeSensors);
        break;
      case Category::fans:
        document["fans"] = listJson(answers.fans, encodeFans);
        break;
      case Category::traffic:
        document["traffic"] = listJson(answers.traffic, encodeTraffic);
        break;
      case Category::batteries:
        document["singleBatteryDevices"] =
            listJson(answers.singleBatteryDevices, encodeSingleBatteryDevices);
        document["doubleBatteryDevices"] =
            listJson(answers.doubleBatteryDevices, encodeDoubleBatteryDevices);
        break;
    }
  }
  return document.dump(2) + "\n";
}

}  // namespace tellwick::ctl
