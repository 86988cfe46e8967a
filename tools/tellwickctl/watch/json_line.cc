#include "tools/tellwickctl/watch/json_line.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "kit/disk_utilities.h"

namespace tellwick::watch {
namespace {

using Json = nlohmann::ordered_json;

template <typename T>
Json orNull(const std::optional<T>& value) {
  if (!value) return nullptr;
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(*value)) return nullptr;
  }
  return Json(*value);
}

Json number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json rateText(const std::optional<double>& perSecond) {
  if (!perSecond || !std::isfinite(*perSecond) || *perSecond < 0 || *perSecond >= 1.8e19) return nullptr;
  return DiskUtilities::rateText(static_cast<std::uint64_t>(std::llround(*perSecond)), false);
}

Json level(std::optional<std::uint8_t> value) { return value ? Json(*value) : Json(nullptr); }

}  // namespace

std::string jsonLine(const WatchState& state, const std::vector<Panel>& panels, double unixSeconds,
                     bool helperAnswering) {
  Json line = Json::object();
  line["time"] = unixSeconds;
  line["interval"] = state.interval();
  line["helperAnswering"] = helperAnswering;
  for (Panel panel : panels) {
    switch (panel) {
      case Panel::sensors: {
        if (!state.sensorsAnswered()) {
          line["sensors"] = nullptr;
          break;
        }
        Json list = Json::array();
        for (const auto& s : state.sensors()) {
          list.push_back({{"identifier", s.identifier}, {"description", s.description}, {"value", orNull(s.value)},
                          {"unit", unitSymbol(s.type)}, {"min", orNull(s.minimum)}, {"max", orNull(s.maximum)}});
        }
        line["sensors"] = std::move(list);
        break;
      }
      case Panel::fans: {
        if (!state.fans()) {
          line["fans"] = nullptr;
          break;
        }
        Json list = Json::array();
        for (const auto& f : *state.fans()) {
          list.push_back({{"identifier", f.identifier}, {"name", f.name}, {"rpm", f.rpm}, {"min", f.min},
                          {"max", f.max}, {"target", f.target}, {"relativeSpeed", number(f.relativeSpeed())}});
        }
        line["fans"] = std::move(list);
        break;
      }
      case Panel::traffic: {
        if (!state.traffic()) {
          line["traffic"] = nullptr;
          break;
        }
        Json list = Json::array();
        for (const auto& p : *state.traffic()) {
          list.push_back({{"pid", p.pid}, {"name", p.name}, {"sent", p.sent}, {"received", p.received},
                          {"sentPerSecond", orNull(p.sentPerSecond)},
                          {"receivedPerSecond", orNull(p.receivedPerSecond)},
                          {"sentRate", rateText(p.sentPerSecond)}, {"receivedRate", rateText(p.receivedPerSecond)}});
        }
        line["traffic"] = std::move(list);
        break;
      }
      case Panel::batteries: {
        if (!state.batteries()) {
          line["batteries"] = nullptr;
          break;
        }
        Json list = Json::array();
        for (const auto& d : *state.batteries()) {
          Json device = {{"name", d.name}, {"type", d.type}, {"serial", d.serial}};
          if (d.isDouble) {
            device["left"] = level(d.left);
            device["right"] = level(d.right);
            device["case"] = level(d.caseLevel);
            device["isCharging"] = d.isCharging;
          } else {
            device["level"] = level(d.level);
            device["isCharging"] = d.isCharging;
          }
          list.push_back(std::move(device));
        }
        line["batteries"] = std::move(list);
        break;
      }
    }
  }
  // Names are sanitized UTF-8 already; replace guards the dump regardless.
  return line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tellwick::watch
