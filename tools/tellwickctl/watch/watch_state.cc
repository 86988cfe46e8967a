#include "tools/tellwickctl/watch/watch_state.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "tools/tellwickctl/watch/text_cells.h"

namespace tellwick::watch {
namespace {

constexpr std::size_t kMaxName = 64;

}  // namespace

std::string sensorValueText(std::optional<double> value, SensorType type, int fractionDigits) {
  if (!value || !std::isfinite(*value)) return "-";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", fractionDigits, *value);
  std::string unit = unitSymbol(type);
  return unit.empty() ? std::string(buffer) : std::string(buffer) + " " + unit;
}

WatchState::WatchState(double intervalSeconds) : interval_(intervalSeconds) {}

void WatchState::setInterval(double seconds) {
  interval_ = seconds;
  for (auto& s : sensors_) s.history.setCapacity(HistoryRing::capacityFor(seconds));
}

void WatchState::updateSensors(const std::vector<Sensor>& sensors) {
  sensorsAnswered_ = true;
  std::unordered_map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < sensors_.size(); ++i) index.emplace(sensors_[i].identifier, i);
  std::vector<bool> read(sensors_.size(), false);
  for (const Sensor& sensor : sensors) {
    std::string id = sanitized(sensor.identifier, kMaxName);
    auto found = index.find(id);
    if (found == index.end()) {
      if (sensors_.size() >= kMaxItems) continue;
      found = index.emplace(id, sensors_.size()).first;
      sensors_.push_back({id, sanitized(sensor.description, kMaxName), sensor.type(), sensor.fractionDigits(),
                          {}, {}, {}, HistoryRing(HistoryRing::capacityFor(interval_))});
      read.push_back(false);
    }
    // The first entry of an identifier listed twice wins, as in the rates.
    if (read[found->second]) continue;
    read[found->second] = true;
    SensorTrack& track = sensors_[found->second];
    std::optional<double> value = sensor.value;
    if (value && !std::isfinite(*value)) value.reset();
    track.value = value;
    if (value) {
      track.minimum = track.minimum ? std::min(*track.minimum, *value) : *value;
      track.maximum = track.maximum ? std::max(*track.maximum, *value) : *value;
    }
    track.history.push(value ? static_cast<float>(*value) : NAN);
  }
  for (std::size_t i = 0; i < sensors_.size(); ++i) {
    if (read[i]) continue;
    sensors_[i].value.reset();
    sensors_[i].history.push(NAN);
  }
}

void WatchState::updateFans(const std::vector<Fan>& fans) {
  std::vector<Fan> kept;
  for (const Fan& fan : fans) {
    if (kept.size() >= kMaxItems) break;
    Fan copy = fan;
    copy.identifier = sanitized(fan.identifier, kMaxName);
    copy.name = sanitized(fan.name, kMaxName);
    kept.push_back(std::move(copy));
  }
  fans_ = std::move(kept);
}

void WatchState::updateTraffic(const std::vector<ProcessTrafficInfo>& traffic, double seconds) {
  // Rates are taken over every process, so that one past the bound still
  // keeps its baseline; only the drawing is bounded.
  auto rates = rates_.update(traffic, seconds);
  if (rates.size() > kMaxItems) rates.resize(kMaxItems);
  for (auto& r : rates) r.name = sanitized(r.name, kMaxName);
  traffic_ = std::move(rates);
}

void WatchState::updateBatteries(const SingleBatteryDevices& singles, const DoubleBatteryDevices& doubles) {
  std::vector<BatteryRow> rows;
  std::unordered_map<std::string, std::optional<std::uint8_t>> cases;
  for (const auto& d : singles) {
    if (d && d->type() == DeviceType::chargingCase && d->serial().starts_with("case_")) {
      cases.emplace(d->serial().substr(5), d->batteryLevel());
    }
  }
  std::unordered_map<std::string, bool> pairedCase;
  for (const auto& d : doubles) {
    if (!d || rows.size() >= kMaxItems) continue;
    BatteryRow row{sanitized(d->name(), kMaxName), true, {}, d->isCharging(), d->firstLevel(), d->secondLevel(),
                   {}, std::string(rawValue(d->type())), sanitized(d->serial(), kMaxName)};
    if (auto c = cases.find(d->serial()); c != cases.end()) {
      row.caseLevel = c->second;
      pairedCase[d->serial()] = true;
    }
    rows.push_back(std::move(row));
  }
  std::vector<BatteryRow> singleRows;
  for (const auto& d : singles) {
    if (!d || rows.size() + singleRows.size() >= kMaxItems) continue;
    // A case shown beside its earbuds is not listed again.
    if (d->serial().starts_with("case_") && pairedCase.contains(d->serial().substr(5))) continue;
    singleRows.push_back({sanitized(d->name(), kMaxName), false, d->batteryLevel(), d->isCharging(), {}, {}, {},
                          std::string(rawValue(d->type())), sanitized(d->serial(), kMaxName)});
  }
  // Singles first, in the helper's order, then the double devices.
  singleRows.insert(singleRows.end(), rows.begin(), rows.end());
  batteries_ = std::move(singleRows);
}

}  // namespace tellwick::watch
