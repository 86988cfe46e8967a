#ifndef TELLWICK_PROTOCOL_HELPER_DATA_MODEL_H_
#define TELLWICK_PROTOCOL_HELPER_DATA_MODEL_H_

#include <array>
#include <functional>
#include <set>
#include <string>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "os/bus/notification_center.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/battery_device.h"
#include "protocol/fan.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"

namespace tellwick {

enum class SensorDataModelKey { sensors, fans, traffic, singleBatteryDevices, doubleBatteryDevices };

inline constexpr std::array<SensorDataModelKey, 5> kAllSensorDataModelKeys = {
    SensorDataModelKey::sensors, SensorDataModelKey::fans, SensorDataModelKey::traffic,
    SensorDataModelKey::singleBatteryDevices, SensorDataModelKey::doubleBatteryDevices};

// "sensors", "fans", "traffic", "singleBatteryDevices", "doubleBatteryDevices".
std::string_view rawValue(SensorDataModelKey key);
std::optional<SensorDataModelKey> sensorDataModelKeyFromRawValue(std::string_view raw);

// The payload channel between helper and clients: one encoded list per key in
// the shared preferences domain. Nothing here fails loudly: writes that cannot
// happen are skipped, reads that cannot decode are absent.
class IHelperDataModel {
 public:
  virtual ~IHelperDataModel() = default;
  virtual void clear() = 0;
  virtual void setSensors(const std::vector<Sensor>& sensors) = 0;
  virtual void setFans(const std::vector<Fan>& fans) = 0;
  virtual void setTraffic(const std::vector<ProcessTrafficInfo>& traffic) = 0;
  virtual void setSingleBatteryDevices(const SingleBatteryDevices& devices) = 0;
  virtual void setDoubleBatteryDevices(const DoubleBatteryDevices& devices) = 0;
  virtual std::optional<std::vector<Sensor>> sensors() = 0;
  virtual std::optional<std::vector<Fan>> fans() = 0;
  virtual std::optional<std::vector<ProcessTrafficInfo>> traffic() = 0;
  virtual std::optional<SingleBatteryDevices> singleBatteryDevices() = 0;
  virtual std::optional<DoubleBatteryDevices> doubleBatteryDevices() = 0;

  // Why a write since the last call did not store its list (the first such
  // reason, one line), then forgets it; nullopt when every write stored.
  virtual std::optional<std::string> takeWriteFailure() = 0;
};

// Posts response count times (once per request that an answer serves). When
// a write to model since the last post failed, each post carries the reason
// as its object: the client then knows that the store still holds an
// earlier answer, or none. Clients that ignore the object read the store as
// before.
void postResponse(os::NotificationCenter& center, std::string_view response,
                  IHelperDataModel& model, int count = 1);

// The store over the shared preferences suite SensorKitConstants::appGroup:
// each list is encoded with coder into one binary property list and kept as
// a data value under its key. When the suite cannot be opened at
// construction, every write is skipped and every read is absent for the life
// of the object. A list that cannot be encoded removes its key, so that no
// stale answer stays behind. userDefaults and coder are not owned and must
// outlive the object. One operation at a time (the request thread).
//
// A write that fails is handed to report, one line, once per distinct
// failure until a write succeeds again: a helper under systemd thus leaves
// one journal line for a read-only folder, not one per request. A read that
// fails (as opposed to finding nothing) is kept for readFailure.
class HelperDataModel final : public IHelperDataModel {
 public:
  using Report = std::function<void(const std::string& line)>;
  // Writes "tellwick: <line>" to standard error.
  static void reportToStandardError(const std::string& line);

  HelperDataModel(os::UserDefaults& userDefaults, os::PropertyListCoder& coder,
                  Report report = &reportToStandardError);

  void clear() override;
  void setSensors(const std::vector<Sensor>& sensors) override;
  void setFans(const std::vector<Fan>& fans) override;
  void setTraffic(const std::vector<ProcessTrafficInfo>& traffic) override;
  void setSingleBatteryDevices(const SingleBatteryDevices& devices) override;
  void setDoubleBatteryDevices(const DoubleBatteryDevices& devices) override;
  std::optional<std::vector<Sensor>> sensors() override;
  std::optional<std::vector<Fan>> fans() override;
  std::optional<std::vector<ProcessTrafficInfo>> traffic() override;
  std::optional<SingleBatteryDevices> singleBatteryDevices() override;
  std::optional<DoubleBatteryDevices> doubleBatteryDevices() override;
  std::optional<std::string> takeWriteFailure() override;

  // Whether the suite was opened.
  bool hasUserDefaults() const { return userDefaults_ != nullptr; }

  // Why the last read of key gave absent although something may be stored:
  // the store could not be read, or what key holds does not decode. nullopt
  // when that read succeeded or found nothing.
  std::optional<std::string> readFailure(SensorDataModelKey key) const;

 private:
  void store(SensorDataModelKey key, const os::PlistValue& list);
  void noteWrite(const os::Status& status);
  std::optional<os::PlistValue> load(SensorDataModelKey key);
  template <typename Decode>
  auto loadRecords(SensorDataModelKey key, Decode decode) -> decltype(decode(os::PlistValue()));

  std::unique_ptr<os::UserDefaultsDomain> userDefaults_;
  os::PropertyListCoder& coder_;
  Report report_;
  std::set<std::string> reported_;
  std::optional<std::string> writeFailure_;
  std::array<std::optional<std::string>, kAllSensorDataModelKeys.size()> readFailures_;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_HELPER_DATA_MODEL_H_
