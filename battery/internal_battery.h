#ifndef TELLWICK_BATTERY_INTERNAL_BATTERY_H_
#define TELLWICK_BATTERY_INTERNAL_BATTERY_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "os/power/io_registry.h"
#include "os/power/power_sources.h"

namespace tellwick {

enum class BatteryCondition { good, fair, poor };

// "Good", "Fair", "Poor" exactly; anything else gives no condition.
std::optional<BatteryCondition> batteryConditionFromText(std::string_view text);

// The registry class of the machine's battery and the provider classes of
// the controllers it may hang from.
inline constexpr std::string_view kSmartBatteryClass = "AppleSmartBattery";
inline constexpr std::string_view kSmBusControllerClass = "IOSMBusController";
inline constexpr std::string_view kSmcControllerClass = "AppleSMC";

// The computer's own battery, a snapshot taken by the last update. Every
// value may be absent except the three texts, which read "-" then.
class InternalBattery {
 public:
  InternalBattery() = default;
  InternalBattery(const InternalBattery&) = delete;
  InternalBattery& operator=(const InternalBattery&) = delete;
  virtual ~InternalBattery() = default;

  virtual std::optional<std::string> name() const = 0;
  virtual std::optional<std::int64_t> timeToFull() const = 0;   // minutes
  virtual std::optional<std::int64_t> timeToEmpty() const = 0;  // minutes
  virtual std::optional<std::string> manufacturer() const = 0;
  virtual std::optional<std::chrono::year_month_day> manufactureDate() const = 0;
  virtual std::optional<std::int64_t> designCapacity() const = 0;  // mAh
  virtual std::optional<std::int64_t> maxCapacity() const = 0;
  virtual std::optional<std::int64_t> currentCapacity() const = 0;
  virtual std::string designCapacityText() const = 0;
  virtual std::string maxCapacityText() const = 0;
  virtual std::string currentCapacityText() const = 0;
  virtual std::optional<std::int64_t> cycleCount() const = 0;
  virtual std::optional<std::int64_t> designCycleCount() const = 0;
  virtual std::optional<bool> acPowered() const = 0;
  virtual std::optional<bool> isCharging() const = 0;
  virtual std::optional<bool> isCharged() const = 0;
  virtual std::optional<std::int64_t> amperage() const = 0;  // mA, negative while discharging
  virtual std::optional<double> voltage() const = 0;         // V
  virtual std::optional<double> watts() const = 0;         // W flowing, never negative
  virtual std::optional<double> health() const = 0;       // percent
  virtual std::optional<double> temperature() const = 0;  // °C
  virtual std::optional<std::int64_t> level() const = 0;  // percent
  virtual std::optional<BatteryCondition> condition() const = 0;
  virtual std::string timeRemainingText() const = 0;
  virtual std::optional<std::int64_t> timeRemaining() const = 0;

  // Reads the power sources and the registry entry again. Does nothing for
  // kNoRegistryEntry; a source or property that cannot be read leaves its
  // values absent.
  virtual void update(os::RegistryEntry entry) = 0;
};

// What both kinds of battery store, and the rules they share.
class StoredInternalBattery : public InternalBattery {
 public:
  std::optional<std::string> name() const override { return name_; }
  std::optional<std::int64_t> timeToFull() const override { return timeToFull_; }
  std::optional<std::int64_t> timeToEmpty() const override { return timeToEmpty_; }
  std::optional<std::string> manufacturer() const override { return manufacturer_; }
  std::optional<std::chrono::year_month_day> manufactureDate() const override {
    return manufactureDate_;
  }
  std::optional<std::int64_t> designCapacity() const override { return designCapacity_; }
  std::optional<std::int64_t> maxCapacity() const override { return maxCapacity_; }
  std::optional<std::int64_t> currentCapacity() const override { return currentCapacity_; }
  std::string designCapacityText() const override;
  std::optional<std::int64_t> cycleCount() const override { return cycleCount_; }
  std::optional<std::int64_t> designCycleCount() const override { return designCycleCount_; }
  std::optional<bool> acPowered() const override { return acPowered_; }
  std::optional<bool> isCharging() const override { return isCharging_; }
  std::optional<bool> isCharged() const override { return isCharged_; }
  std::optional<std::int64_t> amperage() const override { return amperage_; }
  std::optional<double> voltage() const override { return voltage_; }
  std::optional<double> watts() const override { return watts_; }
  std::optional<double> temperature() const override { return temperature_; }
  std::optional<BatteryCondition> condition() const override { return condition_; }
  std::string timeRemainingText() const override;
  std::optional<std::int64_t> timeRemaining() const override;

  void update(os::RegistryEntry entry) override;

 protected:
  // The registry and power sources must outlive the battery.
  StoredInternalBattery(os::IoRegistry& registry, os::PowerSources& sources)
      : registry_(registry), sources_(sources) {}

  // "Current Capacity" and "Max Capacity" of one power source.
  virtual void readSourceCapacities(const os::PlistDictionary& description) = 0;
  // designCapacity, currentCapacity and maxCapacity from the entry's properties.
  virtual void readRegistryCapacities(const os::PlistDictionary& entry) = 0;

  static std::optional<std::int64_t> integerProperty(const os::PlistDictionary& properties,
                                                     std::string_view key);

  std::optional<std::string> name_;
  std::optional<std::int64_t> timeToFull_, timeToEmpty_;
  std::optional<std::string> manufacturer_;
  std::optional<std::chrono::year_month_day> manufactureDate_;
  std::optional<std::int64_t> currentCapacity_, maxCapacity_, designCapacity_;
  std::optional<std::int64_t> cycleCount_, designCycleCount_;
  std::optional<bool> acPowered_, isCharging_, isCharged_;
  std::optional<std::int64_t> amperage_;
  std::optional<double> voltage_, watts_, temperature_;
  std::optional<BatteryCondition> condition_;

 private:
  void readPowerSources();
  void readRegistry(os::RegistryEntry entry);

  os::IoRegistry& registry_;
  os::PowerSources& sources_;
};

// A battery behind the system management controller: the capacities are
// the power source's percentages, the design capacity in mAh.
class AppleInternalBattery final : public StoredInternalBattery {
 public:
  AppleInternalBattery(os::IoRegistry& registry, os::PowerSources& sources,
                       os::RegistryEntry entry);
  std::string maxCapacityText() const override;
  std::string currentCapacityText() const override;
  std::optional<double> health() const override;
  std::optional<std::int64_t> level() const override { return currentCapacity_; }

 private:
  void readSourceCapacities(const os::PlistDictionary& description) override;
  void readRegistryCapacities(const os::PlistDictionary& entry) override;
};

// A battery behind an SMBus controller: every capacity in mAh, and the power
// source's own percentage kept apart.
class LegacyInternalBattery final : public StoredInternalBattery {
 public:
  LegacyInternalBattery(os::IoRegistry& registry, os::PowerSources& sources,
                        os::RegistryEntry entry);
  std::optional<std::int64_t> internalCharge() const { return internalCharge_; }
  std::string maxCapacityText() const override;
  std::string currentCapacityText() const override;
  std::optional<double> health() const override;
  std::optional<std::int64_t> level() const override;

 private:
  void readSourceCapacities(const os::PlistDictionary& description) override;
  void readRegistryCapacities(const os::PlistDictionary& entry) override;

  std::optional<std::int64_t> internalCharge_;
};

// Finds the machine's battery in the registry and tells its kind by the
// controller it hangs from. Not thread-safe.
class InternalFinder {
 public:
  // Looks up the first "AppleSmartBattery" service now. The registry and
  // power sources must outlive the finder and the batteries it finds.
  InternalFinder(os::IoRegistry& registry, os::PowerSources& sources);

  os::RegistryEntry serviceInternal() const { return serviceInternal_; }
  // The power sources list at least one source; false when they cannot be read.
  bool hasBattery() const;
  // An AppleInternalBattery behind "AppleSMC", a LegacyInternalBattery
  // behind "IOSMBusController", filled by one update; null when there is no
  // battery, no parent, or a parent of any other class.
  std::unique_ptr<InternalBattery> find() const;

 private:
  os::IoRegistry& registry_;
  os::PowerSources& sources_;
  os::RegistryEntry serviceInternal_;
};

// Packed smart-battery date: day bits 0-4, month 5-8, year 1980 + bits 9-15;
// nullopt when outside 16 bits or not a calendar date.
std::optional<std::chrono::year_month_day> decodeManufactureDate(std::int64_t packed);

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_INTERNAL_BATTERY_H_
