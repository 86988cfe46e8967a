#include "battery/internal_battery.h"

#include <cmath>
#include <cstdio>

#include "battery/registry_values.h"

namespace tellwick {
namespace {

using registry_values::floating;
using registry_values::integer;
using registry_values::isOne;
using registry_values::text;

constexpr const char* kNoValue = "-";

std::string formatted(const std::optional<std::int64_t>& value, const char* unit) {
  if (!value) return kNoValue;
  return std::to_string(*value) + unit;
}

std::string milliampereHours(const std::optional<std::int64_t>& value) {
  return formatted(value, " mAh");
}

std::string percent(const std::optional<std::int64_t>& value) { return formatted(value, " %"); }

// Halves away from zero, as the platform's rounding does.
std::optional<std::int64_t> roundedPercent(const std::optional<std::int64_t>& part,
                                           const std::optional<std::int64_t>& whole) {
  if (!part || !whole || *whole == 0) return std::nullopt;
  const double ratio = static_cast<double>(*part) / static_cast<double>(*whole) * 100.0;
  if (!std::isfinite(ratio) || std::fabs(ratio) > 1e15) return std::nullopt;
  return static_cast<std::int64_t>(std::round(ratio));
}

}  // namespace

std::optional<BatteryCondition> batteryConditionFromText(std::string_view text) {
  if (text == "Good") return BatteryCondition::good;
  if (text == "Fair") return BatteryCondition::fair;
  if (text == "Poor") return BatteryCondition::poor;
  return std::nullopt;
}

std::optional<std::chrono::year_month_day> decodeManufactureDate(std::int64_t packed) {
  if (packed < 0 || packed > 0xFFFF) return std::nullopt;
  const auto day = static_cast<unsigned>(packed & 0x1F);
  const auto month = static_cast<unsigned>((packed >> 5) & 0xF);
  const auto year = static_cast<int>(1980 + (packed >> 9));
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month),
                                         std::chrono::day(day)};
  // A gauge that was never programmed reads 0: no date, not 1979-12-31.
  if (!date.ok()) return std::nullopt;
  return date;
}

std::string StoredInternalBattery::designCapacityText() const {
  return milliampereHours(designCapacity_);
}

std::optional<std::int64_t> StoredInternalBattery::timeRemaining() const {
  if (!isCharging_) return std::nullopt;
  return *isCharging_ ? timeToFull_ : timeToEmpty_;
}

std::string StoredInternalBattery::timeRemainingText() const {
  const auto minutes = timeRemaining();
  if (!minutes || *minutes <= 0) return kNoValue;
  char text[48];
  std::snprintf(text, sizeof text, "%.2lld:%.2lld", static_cast<long long>(*minutes / 60),
                static_cast<long long>(*minutes % 60));
  return text;
}

void StoredInternalBattery::update(os::RegistryEntry entry) {
  if (entry == os::kNoRegistryEntry) return;
  readPowerSources();
  readRegistry(entry);
  if (amperage_ && voltage_ && isCharging_) {
    // The power that flows, whichever way: inverting it when not charging
    // makes a discharging battery's positive, but would make a battery held
    // at a charge threshold, which may still show a small current, report
    // negative watts. Adding 0 turns the -0 of an idle battery into 0.
    watts_ = std::fabs(static_cast<double>(*amperage_) * *voltage_ / 1000.0) + 0.0;
  }
}

void StoredInternalBattery::readPowerSources() {
  auto list = sources_.copyPowerSourceDescriptions();
  if (!list.ok()) return;
  for (const auto& source : *list) {
    const auto* description = source.get<os::PlistDictionary>();
    if (!description) continue;
    auto at = [&](std::string_view key) { return os::findKey(*description, key); };
    name_ = text(at(os::kPowerSourceNameKey));
    timeToEmpty_ = integer(at(os::kPowerSourceTimeToEmptyKey));
    timeToFull_ = integer(at(os::kPowerSourceTimeToFullKey));
    readSourceCapacities(*description);
    acPowered_ = text(at(os::kPowerSourceStateKey)) == os::kPowerSourceACPower;
    isCharging_ = isOne(at(os::kPowerSourceIsChargingKey));
    isCharged_ = isOne(at(os::kPowerSourceIsChargedKey));
    if (const auto health = text(at(os::kPowerSourceHealthKey))) {
      if (const auto condition = batteryConditionFromText(*health)) condition_ = condition;
    }
  }
}

std::optional<std::int64_t> StoredInternalBattery::integerProperty(
    const os::PlistDictionary& properties, std::string_view key) {
  return integer(os::findKey(properties, key));
}

void StoredInternalBattery::readRegistry(os::RegistryEntry entry) {
  // One snapshot of the entry: the values agree with each other, and a
  // driver is asked once rather than once per key.
  const os::PlistDictionary properties =
      registry_.properties(entry).value_or(os::PlistDictionary{});
  auto at = [&](std::string_view key) { return os::findKey(properties, key); };
  readRegistryCapacities(properties);
  cycleCount_ = integer(at("CycleCount"));
  designCycleCount_ = integer(at("DesignCycleCount9C"));
  amperage_ = integer(at("Amperage"));
  voltage_ = floating(at("Voltage"));
  if (voltage_) *voltage_ /= 1000.0;
  temperature_ = floating(at("Temperature"));
  if (temperature_) *temperature_ /= 100.0;
  manufacturer_ = text(at("Manufacturer"));
  const auto packed = integer(at("ManufactureDate"));
  manufactureDate_ = packed ? decodeManufactureDate(*packed) : std::nullopt;
}

AppleInternalBattery::AppleInternalBattery(os::IoRegistry& registry, os::PowerSources& sources,
                                           os::RegistryEntry entry)
    : StoredInternalBattery(registry, sources) {
  update(entry);
}

std::string AppleInternalBattery::maxCapacityText() const { return percent(maxCapacity_); }
std::string AppleInternalBattery::currentCapacityText() const { return percent(currentCapacity_); }

std::optional<double> AppleInternalBattery::health() const {
  if (!maxCapacity_) return std::nullopt;
  return static_cast<double>(*maxCapacity_);
}

void AppleInternalBattery::readSourceCapacities(const os::PlistDictionary& description) {
  currentCapacity_ = integer(os::findKey(description, os::kPowerSourceCurrentCapacityKey));
  maxCapacity_ = integer(os::findKey(description, os::kPowerSourceMaxCapacityKey));
}

void AppleInternalBattery::readRegistryCapacities(const os::PlistDictionary& entry) {
  // The design figure first: "AppleRawMaxCapacity" is what the worn cell
  // holds now, which would make every battery look as good as new.
  designCapacity_ = integerProperty(entry, "DesignCapacity");
  if (!designCapacity_) designCapacity_ = integerProperty(entry, "AppleRawMaxCapacity");
}

LegacyInternalBattery::LegacyInternalBattery(os::IoRegistry& registry, os::PowerSources& sources,
                                             os::RegistryEntry entry)
    : StoredInternalBattery(registry, sources) {
  update(entry);
}

std::string LegacyInternalBattery::maxCapacityText() const {
  return milliampereHours(maxCapacity_);
}
std::string LegacyInternalBattery::currentCapacityText() const {
  return milliampereHours(currentCapacity_);
}

std::optional<double> LegacyInternalBattery::health() const {
  if (!maxCapacity_ || !designCapacity_ || *designCapacity_ == 0) return std::nullopt;
  return static_cast<double>(*maxCapacity_) / static_cast<double>(*designCapacity_) * 100.0;
}

std::optional<std::int64_t> LegacyInternalBattery::level() const {
  if (isCharged_ == true) return 100;
  if (internalCharge_) return internalCharge_;
  return roundedPercent(currentCapacity_, maxCapacity_);
}

void LegacyInternalBattery::readSourceCapacities(const os::PlistDictionary& description) {
  internalCharge_ = integer(os::findKey(description, os::kPowerSourceCurrentCapacityKey));
}

void LegacyInternalBattery::readRegistryCapacities(const os::PlistDictionary& entry) {
  designCapacity_ = integerProperty(entry, "DesignCapacity");
  auto current = integerProperty(entry, "CurrentCapacity");
  if (!current) current = integerProperty(entry, "AppleRawCurrentCapacity");
  if (current) currentCapacity_ = current;
  auto max = integerProperty(entry, "MaxCapacity");
  if (!max) max = integerProperty(entry, "AppleRawMaxCapacity");
  if (max) maxCapacity_ = max;
}

InternalFinder::InternalFinder(os::IoRegistry& registry, os::PowerSources& sources)
    : registry_(registry),
      sources_(sources),
      serviceInternal_(os::firstMatchingService(registry, kSmartBatteryClass)) {}

bool InternalFinder::hasBattery() const {
  auto list = sources_.copyPowerSourceDescriptions();
  return list.ok() && !list->empty();
}

std::unique_ptr<InternalBattery> InternalFinder::find() const {
  if (!hasBattery() || serviceInternal_ == os::kNoRegistryEntry) return nullptr;
  const auto parent = registry_.parentEntry(serviceInternal_);
  if (!parent) return nullptr;
  const auto provider = registry_.property(*parent, os::kIOProviderClassKey);
  const auto providerClass = text(provider ? &*provider : nullptr);
  if (providerClass == kSmBusControllerClass) {
    return std::make_unique<LegacyInternalBattery>(registry_, sources_, serviceInternal_);
  }
  if (providerClass == kSmcControllerClass) {
    return std::make_unique<AppleInternalBattery>(registry_, sources_, serviceInternal_);
  }
  return nullptr;
}

}  // namespace tellwick
