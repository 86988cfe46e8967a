#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_STATE_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_STATE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/battery_device.h"
#include "protocol/fan.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"
#include "tools/tellwickctl/watch/history_ring.h"
#include "tools/tellwickctl/watch/traffic_rates.h"

namespace tellwick::watch {

// One sensor as the view has seen it since it started.
struct SensorTrack {
  std::string identifier;
  std::string description;  // sanitized
  SensorType type = SensorType::unknown;
  std::uint8_t fractionDigits = 0;
  std::optional<double> value;  // the latest reading; absent when the last answer had none
  std::optional<double> minimum;
  std::optional<double> maximum;
  HistoryRing history;
};

// A double device with the charging case the helper reports beside it.
struct BatteryRow {
  std::string name;  // sanitized
  bool isDouble = false;
  std::optional<std::uint8_t> level;  // single device
  bool isCharging = false;
  std::optional<std::uint8_t> left, right, caseLevel;  // double device
  std::string type;
  std::string serial;
};

// What the view knows: every answer folded in as it arrives. Lists from
// outside are bounded (kMaxItems per category); names are sanitized here, so
// everything drawn from this state is safe to print. One thread.
class WatchState {
 public:
  static constexpr std::size_t kMaxItems = 512;

  explicit WatchState(double intervalSeconds);

  // Rings are resized to an hour at the new interval, keeping the newest.
  void setInterval(double seconds);
  double interval() const { return interval_; }

  // One reading per known sensor: a sensor missing from the answer (or with
  // no value) gets a gap in its history and keeps its place in the list.
  void updateSensors(const std::vector<Sensor>& sensors);
  void updateFans(const std::vector<Fan>& fans);
  // seconds: when the answer arrived, on a clock that does not go back.
  void updateTraffic(const std::vector<ProcessTrafficInfo>& traffic, double seconds);
  void updateBatteries(const SingleBatteryDevices& singles, const DoubleBatteryDevices& doubles);

  const std::vector<SensorTrack>& sensors() const { return sensors_; }
  const std::optional<std::vector<Fan>>& fans() const { return fans_; }
  const std::optional<std::vector<ProcessRate>>& traffic() const { return traffic_; }
  const std::optional<std::vector<BatteryRow>>& batteries() const { return batteries_; }
  bool sensorsAnswered() const { return sensorsAnswered_; }

 private:
  double interval_;
  std::vector<SensorTrack> sensors_;
  bool sensorsAnswered_ = false;
  std::optional<std::vector<Fan>> fans_;
  TrafficRates rates_;
  std::optional<std::vector<ProcessRate>> traffic_;
  std::optional<std::vector<BatteryRow>> batteries_;
};

// "45 °C", "12.3456 V": the value with the type's digits and unit; "-" when
// absent or not finite.
std::string sensorValueText(std::optional<double> value, SensorType type, int fractionDigits);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_WATCH_STATE_H_
