#include "os/power/udev_power_supply.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "os/posix_file.h"

namespace tellwick::os::udev_power {
namespace {

// Beyond this a driver's estimate is noise; the power-management daemon
// drops such estimates too.
constexpr std::int64_t kMaxEstimateMinutes = 20 * 60;

// What a battery can report, in the kernel's units: 1 kV, 1 kA, 10 kW,
// 1000 Ah, 10 kWh, -100 to 200 °C. Within these bounds every sum and
// product below stays far inside 64 bits and a double's exact integers.
constexpr std::int64_t kMaxMicrovolts = 1'000'000'000;
constexpr std::int64_t kMaxMicroamperes = 1'000'000'000;
constexpr std::int64_t kMaxMicrowatts = 10'000'000'000;
constexpr std::int64_t kMaxMicroampereHours = 1'000'000'000;
constexpr std::int64_t kMaxMicrowattHours = 10'000'000'000;

bool isBlank(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\0'; }

std::optional<std::int64_t> positive(const std::optional<std::int64_t>& value) {
  if (value && *value > 0) return value;
  return std::nullopt;
}

std::int64_t roundedRatio(double numerator, double denominator) {
  return static_cast<std::int64_t>(std::llround(numerator / denominator));
}

std::int64_t minutesFor(double amount, std::optional<std::int64_t> rate) {
  if (!rate || *rate == 0 || amount < 0) return -1;
  double minutes = amount / std::fabs(static_cast<double>(*rate)) * 60.0;
  if (!std::isfinite(minutes) || minutes > kMaxEstimateMinutes) return -1;
  return static_cast<std::int64_t>(std::llround(minutes));
}

// Smart-battery gauges say 65535 minutes for "not applicable".
constexpr std::int64_t kGaugeNotApplicableMinutes = 65535;

std::optional<std::int64_t> reportedMinutes(const std::optional<std::int64_t>& seconds) {
  if (!seconds || *seconds / 60 >= kGaugeNotApplicableMinutes) return std::nullopt;
  return *seconds / 60;
}

// µWh at the design's minimum voltage in µV, as mAh.
std::optional<std::int64_t> energyAsMah(const std::optional<std::int64_t>& microwattHours,
                                        const std::optional<std::int64_t>& microvolts) {
  if (!microwattHours || !positive(microvolts)) return std::nullopt;
  return roundedRatio(static_cast<double>(*microwattHours) * 1000.0,
                      static_cast<double>(*microvolts));
}

// The voltage that turns a battery's charge into energy, as the
// power-management daemon chooses it: the design's maximum, its minimum,
// else the present voltage.
std::optional<std::int64_t> designVoltage(const Supply& s) {
  for (const auto* volts : {&s.voltageMaxDesign, &s.voltageMinDesign, &s.voltageNow}) {
    if (positive(*volts)) return *volts;
  }
  return std::nullopt;
}

// One battery's amounts in µWh (a charge at its design voltage) and its
// current and power as magnitudes, for adding batteries together.
struct Amounts {
  std::optional<double> now, full, design, microamperes, microwatts;
};

Amounts amountsOf(const Supply& s) {
  Amounts a;
  const auto volts = designVoltage(s);
  auto energy = [&](const std::optional<std::int64_t>& wattHours,
                    const std::optional<std::int64_t>& ampereHours) -> std::optional<double> {
    if (wattHours) return static_cast<double>(*wattHours);
    if (ampereHours && volts) return static_cast<double>(*ampereHours) * *volts / 1e6;
    return std::nullopt;
  };
  const bool inEnergy = positive(s.energyFull).has_value();
  a.full = inEnergy ? energy(s.energyFull, {}) : energy({}, s.chargeFull);
  a.design = inEnergy ? energy(s.energyFullDesign, {}) : energy({}, s.chargeFullDesign);
  a.now = inEnergy ? energy(s.energyNow, {}) : energy({}, s.chargeNow);
  if (!a.now && a.full && s.capacity) a.now = *a.full * static_cast<double>(*s.capacity) / 100.0;
  if (s.currentNow) {
    a.microamperes = std::fabs(static_cast<double>(*s.currentNow));
  } else if (s.powerNow && positive(s.voltageNow)) {
    a.microamperes = std::fabs(static_cast<double>(*s.powerNow)) * 1e6 / *s.voltageNow;
  }
  if (s.powerNow) {
    a.microwatts = std::fabs(static_cast<double>(*s.powerNow));
  } else if (s.currentNow && volts) {
    a.microwatts = std::fabs(static_cast<double>(*s.currentNow)) * *volts / 1e6;
  }
  return a;
}

// The sum over every battery, or nullopt when one of them lacks the value.
template <typename Value>
std::optional<double> sum(const std::vector<Supply>& batteries, Value value) {
  double total = 0;
  for (const auto& battery : batteries) {
    const std::optional<double> v = value(battery);
    if (!v) return std::nullopt;
    total += *v;
  }
  return total;
}

std::optional<std::int64_t> whole(const std::optional<double>& value) {
  if (!value) return std::nullopt;
  return std::llround(*value);
}

std::optional<std::string> combinedStatus(const std::vector<Supply>& batteries) {
  for (const auto& b : batteries) {
    if (b.status == "Charging" || b.status == "Discharging") return b.status;
  }
  auto all = [&](const char* status) {
    return std::all_of(batteries.begin(), batteries.end(),
                       [&](const Supply& b) { return b.status == status; });
  };
  if (all("Full")) return "Full";
  if (std::any_of(batteries.begin(), batteries.end(),
                  [](const Supply& b) { return b.status == "Not charging"; })) {
    return "Not charging";
  }
  return "Unknown";
}

}  // namespace

std::vector<std::string> listDevices(udev* context, const char* subsystem, udev_device* parent) {
  std::vector<std::string> paths;
  std::unique_ptr<udev_enumerate, UdevUnref> enumerate(udev_enumerate_new(context));
  if (!enumerate) return paths;
  if (udev_enumerate_add_match_subsystem(enumerate.get(), subsystem) < 0) return paths;
  if (parent && udev_enumerate_add_match_parent(enumerate.get(), parent) < 0) return paths;
  if (udev_enumerate_scan_devices(enumerate.get()) < 0) return paths;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    if (const char* path = udev_list_entry_get_name(entry)) paths.emplace_back(path);
  }
  return paths;
}

Device openDevice(udev* context, const std::string& syspath) {
  return Device(udev_device_new_from_syspath(context, syspath.c_str()));
}

bool deviceExists(const std::string& syspath) {
  return ::access((syspath + "/uevent").c_str(), F_OK) == 0;
}

std::optional<std::string> attribute(udev_device* device, std::string_view name,
                                     std::size_t limit) {
  const char* syspath = udev_device_get_syspath(device);
  if (!syspath) return std::nullopt;
  return attribute(std::string(syspath), name, limit);
}

std::optional<std::string> attribute(const std::string& syspath, std::string_view name,
                                     std::size_t limit) {
  // Read here rather than through libudev, whose device objects keep the
  // first value read, whose reads follow no size limit of ours, and whose
  // every device lookup resolves the path anew component by component.
  // O_NONBLOCK: a FIFO planted in a device tree must not hang the reader.
  const std::string path = syspath + "/" + std::string(name);
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) return std::nullopt;
  auto content = readAll(file, path, limit);
  if (!content.ok()) return std::nullopt;
  std::string text = std::move(content).value();
  while (!text.empty() && isBlank(text.back())) text.pop_back();
  return text;
}

std::optional<std::int64_t> integerAttribute(const std::string& syspath, std::string_view name,
                                             std::int64_t low, std::int64_t high) {
  const auto text = attribute(syspath, name, 64);
  if (!text || text->empty()) return std::nullopt;
  std::int64_t value = 0;
  const char* begin = text->data();
  const char* end = begin + text->size();
  const auto [stop, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || stop != end || value < low || value > high) return std::nullopt;
  return value;
}

std::optional<std::string> udevProperty(udev_device* device, const char* name) {
  const char* value = udev_device_get_property_value(device, name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

Supply readSupply(const std::string& syspath, bool kindOnly) {
  Supply s;
  s.name = syspath.substr(syspath.rfind('/') + 1);
  auto text = [&](std::string_view name) {
    auto value = attribute(syspath, name, 256);
    if (value && value->empty()) value.reset();
    return value;
  };
  auto number = [&](std::string_view name, std::int64_t low, std::int64_t high) {
    return integerAttribute(syspath, name, low, high);
  };
  auto amount = [&](std::string_view name, std::int64_t high) { return number(name, 0, high); };
  s.type = text("type");
  s.scope = text("scope");
  s.online = number("online", 0, 1000);
  s.present = number("present", 0, 1);
  if (kindOnly) return s;
  s.status = text("status");
  s.health = text("health");
  s.capacityLevel = text("capacity_level");
  s.manufacturer = text("manufacturer");
  s.modelName = text("model_name");
  s.capacity = number("capacity", 0, 100);
  s.chargeNow = amount("charge_now", kMaxMicroampereHours);
  s.chargeFull = amount("charge_full", kMaxMicroampereHours);
  s.chargeFullDesign = amount("charge_full_design", kMaxMicroampereHours);
  s.energyNow = amount("energy_now", kMaxMicrowattHours);
  s.energyFull = amount("energy_full", kMaxMicrowattHours);
  s.energyFullDesign = amount("energy_full_design", kMaxMicrowattHours);
  // Drivers disagree on the sign of the flow; only its size is read here.
  s.currentNow = number("current_now", -kMaxMicroamperes, kMaxMicroamperes);
  s.powerNow = number("power_now", -kMaxMicrowatts, kMaxMicrowatts);
  s.voltageNow = amount("voltage_now", kMaxMicrovolts);
  s.voltageMinDesign = amount("voltage_min_design", kMaxMicrovolts);
  s.voltageMaxDesign = amount("voltage_max_design", kMaxMicrovolts);
  // Smart-battery gauges publish only their own averages.
  constexpr std::int64_t kMaxSeconds = 1'000'000'000;
  s.timeToEmpty = amount("time_to_empty_now", kMaxSeconds);
  if (!s.timeToEmpty) s.timeToEmpty = amount("time_to_empty_avg", kMaxSeconds);
  s.timeToFull = amount("time_to_full_now", kMaxSeconds);
  if (!s.timeToFull) s.timeToFull = amount("time_to_full_avg", kMaxSeconds);
  s.cycleCount = amount("cycle_count", 10'000'000);
  s.temp = number("temp", -1000, 2000);
  s.manufactureYear = amount("manufacture_year", 9999);
  s.manufactureMonth = amount("manufacture_month", 12);
  s.manufactureDay = amount("manufacture_day", 31);
  return s;
}

bool isSystemBattery(const Supply& s) {
  return s.type == "Battery" && s.scope != "Device" && s.present != 0;
}

bool isOnlineAdapter(const Supply& s) {
  if (s.scope == "Device" || s.online != 1 || !s.type) return false;
  return *s.type == "Mains" || s.type->starts_with("USB");
}

MachinePower readMachinePower(udev* context) {
  MachinePower power;
  for (const auto& path : listDevices(context, "power_supply")) {
    // A supply that went away since the listing is simply not there.
    if (!deviceExists(path)) continue;
    const Supply kind = readSupply(path, true);
    if (isOnlineAdapter(kind)) power.onAdapter = true;
    if (isSystemBattery(kind)) power.batteries.push_back(readSupply(path));
  }
  return power;
}

Supply combined(const std::vector<Supply>& batteries) {
  if (batteries.empty()) return {};
  if (batteries.size() == 1) return batteries.front();
  Supply all = batteries.front();
  all.status = combinedStatus(batteries);
  all.health.reset();
  all.capacityLevel.reset();
  // Estimated afresh from the sums below, as the desktop's indicator does.
  all.timeToEmpty.reset();
  all.timeToFull.reset();
  auto amounts = [&](std::optional<double> Amounts::*field) {
    return sum(batteries, [&](const Supply& b) { return amountsOf(b).*field; });
  };
  const auto now = amounts(&Amounts::now);
  const auto full = amounts(&Amounts::full);
  all.energyNow = whole(now);
  all.energyFull = whole(full);
  all.energyFullDesign = whole(amounts(&Amounts::design));
  all.currentNow = whole(amounts(&Amounts::microamperes));
  all.powerNow = whole(amounts(&Amounts::microwatts));
  auto microampereHours = [&](auto mah) {
    return whole(sum(batteries, [&](const Supply& b) -> std::optional<double> {
      const auto value = mah(b);
      if (!value) return std::nullopt;
      return static_cast<double>(*value) * 1000.0;
    }));
  };
  all.chargeNow = microampereHours(currentCapacityMah);
  all.chargeFull = microampereHours(fullCapacityMah);
  all.chargeFullDesign = microampereHours(designCapacityMah);
  all.capacity.reset();
  if (now && full && *full > 0) {
    all.capacity = std::clamp<std::int64_t>(std::llround(100.0 * *now / *full), 0, 100);
  } else if (const auto percents = sum(batteries, [](const Supply& b) -> std::optional<double> {
               const auto percent = percentCharged(b);
               if (!percent) return std::nullopt;
               return static_cast<double>(*percent);
             })) {
    all.capacity = std::llround(*percents / static_cast<double>(batteries.size()));
  }
  return all;
}

std::optional<std::int64_t> percentCharged(const Supply& s) {
  if (s.capacity) return std::clamp<std::int64_t>(*s.capacity, 0, 100);
  auto ratio = [](const std::optional<std::int64_t>& now,
                  const std::optional<std::int64_t>& full) -> std::optional<std::int64_t> {
    if (!now || !positive(full)) return std::nullopt;
    return std::clamp<std::int64_t>(
        roundedRatio(100.0 * static_cast<double>(*now), static_cast<double>(*full)), 0, 100);
  };
  if (auto value = ratio(s.chargeNow, s.chargeFull)) return value;
  return ratio(s.energyNow, s.energyFull);
}

namespace {
// Energy first: batteries added together weigh by what they store.
std::optional<double> fullToDesign(const Supply& s) {
  if (positive(s.energyFull) && positive(s.energyFullDesign)) {
    return static_cast<double>(*s.energyFull) / static_cast<double>(*s.energyFullDesign);
  }
  if (positive(s.chargeFull) && positive(s.chargeFullDesign)) {
    return static_cast<double>(*s.chargeFull) / static_cast<double>(*s.chargeFullDesign);
  }
  return std::nullopt;
}
}  // namespace

std::optional<std::int64_t> percentOfDesign(const Supply& s) {
  // A new cell often holds more than its design; the power-management
  // daemon caps the figure at 100 and so do we, to agree with it.
  const auto ratio = fullToDesign(s);
  if (!ratio) return std::nullopt;
  return std::min<std::int64_t>(100, std::llround(*ratio * 100.0));
}

std::int64_t minutesToEmpty(const Supply& s) {
  if (auto minutes = reportedMinutes(s.timeToEmpty)) return *minutes;
  if (s.status != "Discharging") return -1;
  if (s.energyNow && s.powerNow) return minutesFor(static_cast<double>(*s.energyNow), s.powerNow);
  if (s.chargeNow) return minutesFor(static_cast<double>(*s.chargeNow), s.currentNow);
  return -1;
}

std::int64_t minutesToFull(const Supply& s) {
  if (auto minutes = reportedMinutes(s.timeToFull)) return *minutes;
  if (s.status != "Charging") return -1;
  if (s.energyNow && s.energyFull && s.powerNow) {
    return minutesFor(static_cast<double>(*s.energyFull - *s.energyNow), s.powerNow);
  }
  if (s.chargeNow && s.chargeFull) {
    return minutesFor(static_cast<double>(*s.chargeFull - *s.chargeNow), s.currentNow);
  }
  return -1;
}

std::optional<std::string> healthText(const Supply& s) {
  static constexpr std::string_view kPoor[] = {"Overheat",
                                               "Dead",
                                               "Over voltage",
                                               "Unspecified failure",
                                               "Cold",
                                               "Watchdog timer expire",
                                               "Safety timer expire"};
  if (s.health == "Good") return "Good";
  if (s.health) {
    for (auto poor : kPoor) {
      if (*s.health == poor) return "Poor";
    }
  }
  const auto ratio = fullToDesign(s);
  if (!ratio) return std::nullopt;
  if (*ratio >= 0.8) return "Good";
  if (*ratio >= 0.5) return "Fair";
  return "Poor";
}

std::optional<std::string> healthText(const std::vector<Supply>& batteries) {
  static constexpr std::string_view kWorstLast[] = {"Good", "Fair", "Poor"};
  std::optional<std::string> worst;
  for (const auto& battery : batteries) {
    const auto health = healthText(battery);
    if (!health) continue;
    if (!worst || std::find(std::begin(kWorstLast), std::end(kWorstLast), *health) >
                      std::find(std::begin(kWorstLast), std::end(kWorstLast), *worst)) {
      worst = health;
    }
  }
  return worst;
}

std::optional<std::int64_t> designCapacityMah(const Supply& s) {
  if (s.chargeFullDesign) return *s.chargeFullDesign / 1000;
  return energyAsMah(s.energyFullDesign, s.voltageMinDesign);
}

std::optional<std::int64_t> fullCapacityMah(const Supply& s) {
  if (s.chargeFull) return *s.chargeFull / 1000;
  return energyAsMah(s.energyFull, s.voltageMinDesign);
}

std::optional<std::int64_t> currentCapacityMah(const Supply& s) {
  if (s.chargeNow) return *s.chargeNow / 1000;
  return energyAsMah(s.energyNow, s.voltageMinDesign);
}

std::optional<std::int64_t> amperageMa(const Supply& s) {
  std::optional<std::int64_t> magnitude;
  if (s.currentNow) {
    magnitude = std::abs(*s.currentNow) / 1000;
  } else if (s.powerNow && positive(s.voltageNow)) {
    magnitude = roundedRatio(std::fabs(static_cast<double>(*s.powerNow)) * 1000.0,
                             static_cast<double>(*s.voltageNow));
  }
  if (!magnitude) return std::nullopt;
  // Drivers disagree on the sign; the status does not. Negative only while
  // discharging: a battery held at a threshold, full or unknown may still
  // show a small flow, which is never a drain.
  return s.status == "Discharging" ? -*magnitude : *magnitude;
}

std::optional<std::int64_t> packedManufactureDate(const Supply& s) {
  if (!s.manufactureYear || !s.manufactureMonth || !s.manufactureDay) return std::nullopt;
  const std::int64_t year = *s.manufactureYear - 1980;
  if (year < 0 || year > 127 || *s.manufactureMonth < 1 || *s.manufactureMonth > 12 ||
      *s.manufactureDay < 1 || *s.manufactureDay > 31) {
    return std::nullopt;
  }
  return (year << 9) | (*s.manufactureMonth << 5) | *s.manufactureDay;
}

}  // namespace tellwick::os::udev_power
