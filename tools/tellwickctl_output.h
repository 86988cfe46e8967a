#ifndef TELLWICK_TOOLS_TELLWICKCTL_OUTPUT_H_
#define TELLWICK_TOOLS_TELLWICKCTL_OUTPUT_H_

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "battery/battery_device.h"
#include "protocol/fan.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"

namespace tellwick::ctl {

enum class Category { sensors, fans, traffic, batteries };

// What the command line asked for.
struct Invocation {
  enum class Action { query, terminate, help };
  Action action = Action::query;
  std::vector<Category> categories;  // in output order; empty unless a query
  bool json = false;
  std::chrono::milliseconds timeout{10'000};
};

// The parsed arguments (argv[0] excluded), or a one-line reason why they are
// not acceptable.
struct ParseResult {
  std::optional<Invocation> invocation;
  std::string error;
};
ParseResult parseArguments(const std::vector<std::string>& arguments);

extern const char* const kUsage;

// What the store held for each category that answered; a category that was
// not asked for, or whose stored list is missing or unreadable, stays absent.
struct Answers {
  std::optional<std::vector<Sensor>> sensors;
  std::optional<std::vector<Fan>> fans;
  std::optional<std::vector<ProcessTrafficInfo>> traffic;
  std::optional<SingleBatteryDevices> singleBatteryDevices;
  std::optional<DoubleBatteryDevices> doubleBatteryDevices;
};

// Aligned tables, one section per category in the order given; an empty or
// missing list reads "none reported".
std::string humanReport(const std::vector<Category>& categories, const Answers& answers);

// One JSON object holding, for each category given, its records under their
// coding keys ("sensors", "fans", "traffic", "singleBatteryDevices",
// "doubleBatteryDevices"); a missing list is null.
std::string jsonReport(const std::vector<Category>& categories, const Answers& answers);

// "RequestFans" etc. and the matching response names.
std::string_view requestName(Category category);
std::string_view responseName(Category category);
std::string_view categoryName(Category category);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_OUTPUT_H_
