#include "os/power/udev_power_supply.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tellwick::os::udev_power {
namespace {

// Beyond this a driver's estimate is noise; the power-management daemon
// drops such estimates too.
constexpr std::int64_t kMaxEstimateMinutes = 20 * 60;

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
  if (!seconds || *seconds < 0 || *seconds / 60 >= kGaugeNotApplicableMinutes) return std::nullopt;
  return *seconds / 60;
}

// µWh at the design's minimum voltage in µV, as mAh.
std::optional<std::int64_t> energyAsMah(const std::optional<std::int64_t>& microwattHours,
                                        const std::optional<std::int64_t>& microvolts) {
  if (!microwattHours || !positive(microvolts)) return std::nullopt;
  return roundedRatio(static_cast<double>(*microwattHours) * 1000.0,
                      static_cast<double>(*microvolts));
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
  const std::string path = syspath + "/" + std::string(name);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::string content;
  char buffer[512];
  bool failed = false;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || content.size() + static_cast<std::size_t>(n) > limit) {
      failed = true;
      break;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (failed) return std::nullopt;
  while (!content.empty() && isBlank(content.back())) content.pop_back();
  return content;
}

std::optional<std::int64_t> integerAttribute(const std::string& syspath, std::string_view name) {
  const auto text = attribute(syspath, name, 64);
  if (!text || text->empty()) return std::nullopt;
  std::int64_t value = 0;
  const char* begin = text->data();
  const char* end = begin + text->size();
  const auto [stop, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || stop != end) return std::nullopt;
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
  auto number = [&](std::string_view name) { return integerAttribute(syspath, name); };
  s.type = text("type");
  s.scope = text("scope");
  s.online = number("online");
  if (kindOnly) return s;
  s.status = text("status");
  s.health = text("health");
  s.capacityLevel = text("capacity_level");
  s.manufacturer = text("manufacturer");
  s.modelName = text("model_name");
  s.capacity = number("capacity");
  s.chargeNow = number("charge_now");
  s.chargeFull = number("charge_full");
  s.chargeFullDesign = number("charge_full_design");
  s.energyNow = number("energy_now");
  s.energyFull = number("energy_full");
  s.energyFullDesign = number("energy_full_design");
  s.currentNow = number("current_now");
  s.powerNow = number("power_now");
  s.voltageNow = number("voltage_now");
  s.voltageMinDesign = number("voltage_min_design");
  // Smart-battery gauges publish only their own averages.
  s.timeToEmpty = number("time_to_empty_now");
  if (!s.timeToEmpty) s.timeToEmpty = number("time_to_empty_avg");
  s.timeToFull = number("time_to_full_now");
  if (!s.timeToFull) s.timeToFull = number("time_to_full_avg");
  s.cycleCount = number("cycle_count");
  s.temp = number("temp");
  s.manufactureYear = number("manufacture_year");
  s.manufactureMonth = number("manufacture_month");
  s.manufactureDay = number("manufacture_day");
  return s;
}

bool isSystemBattery(const Supply& s) { return s.type == "Battery" && s.scope != "Device"; }

bool isOnlineAdapter(const Supply& s) {
  if (s.scope == "Device" || s.online != 1 || !s.type) return false;
  return *s.type == "Mains" || s.type->starts_with("USB");
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
std::optional<double> fullToDesign(const Supply& s) {
  if (positive(s.chargeFull) && positive(s.chargeFullDesign)) {
    return static_cast<double>(*s.chargeFull) / static_cast<double>(*s.chargeFullDesign);
  }
  if (positive(s.energyFull) && positive(s.energyFullDesign)) {
    return static_cast<double>(*s.energyFull) / static_cast<double>(*s.energyFullDesign);
  }
  return std::nullopt;
}
}  // namespace

std::int64_t percentOfDesign(const Supply& s) {
  // A new cell often holds more than its design; the power-management
  // daemon caps the figure at 100 and so do we, to agree with it.
  const auto ratio = fullToDesign(s);
  return ratio ? std::min<std::int64_t>(100, std::llround(*ratio * 100.0)) : 100;
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
    magnitude = std::llabs(*s.currentNow) / 1000;
  } else if (s.powerNow && positive(s.voltageNow)) {
    magnitude = roundedRatio(std::fabs(static_cast<double>(*s.powerNow)) * 1000.0,
                             static_cast<double>(*s.voltageNow));
  }
  if (!magnitude) return std::nullopt;
  // Drivers disagree on the sign; the status does not.
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
