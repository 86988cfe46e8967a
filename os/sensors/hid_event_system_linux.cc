// The event system over the kernel's hardware monitoring (hwmon) channels,
// read through libsensors so that the user's sensors configuration (labels,
// ignore lines, compute statements) applies exactly as it does for the
// command-line tools built on the same library.

#include <sensors/error.h>
#include <sensors/sensors.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "os/sensors/hid_event_system.h"
#include "os/utf8.h"

namespace tellwick::os {
namespace {

// Labels come from drivers and from the user's configuration, in whatever
// encoding its file was saved in; a name is at most this many bytes.
constexpr std::size_t kMaxProductBytes = 128;

// libsensors keeps its state in globals; two owners would tear it down under
// each other.
std::atomic<bool> g_open{false};

// libsensors reports configuration errors through these hooks, by default to
// standard error, and skips the offending line. The daemon logs nothing, so
// the messages go to the caller instead. Only touched while opening, on the
// opening thread.
std::vector<std::string>* g_parse_errors = nullptr;
const char* g_config_name = nullptr;  // for errors the library reports without a file name

void keepParseError(const char* err, const char* filename, int lineno) {
  if (g_parse_errors == nullptr) return;
  g_parse_errors->push_back(std::string(filename != nullptr        ? filename
                                        : g_config_name != nullptr ? g_config_name
                                                                   : "sensors configuration") +
                            ":" + std::to_string(lineno) + ": " +
                            (err != nullptr ? err : "parse error"));
}

void keepParseErrorNoFile(const char* err, int lineno) { keepParseError(err, nullptr, lineno); }

struct Channel {
  const sensors_chip_name* chip;
  int input;  // subfeature number of the reading
  std::string product;
  std::int64_t usagePage;
  std::int64_t usage;
  std::int64_t eventType;
  std::uint32_t field;
};

class LinuxHidEvent final : public HidEvent {
 public:
  LinuxHidEvent(std::uint32_t field, double value) : field_(field), value_(value) {}
  double floatValue(std::uint32_t field) const override { return field == field_ ? value_ : 0; }

 private:
  std::uint32_t field_;
  double value_;
};

class LinuxHidService final : public HidServiceClient {
 public:
  explicit LinuxHidService(const Channel& channel) : channel_(channel) {}

  std::optional<PlistValue> copyProperty(std::string_view key) const override {
    if (key == kHidProductKey) return PlistValue(channel_.product);
    if (key == kHidPrimaryUsagePageKey) return PlistValue(channel_.usagePage);
    if (key == kHidPrimaryUsageKey) return PlistValue(channel_.usage);
    return std::nullopt;
  }

  std::unique_ptr<HidEvent> copyEvent(std::int64_t type) const override {
    if (type != channel_.eventType) return nullptr;
    double value = 0;
    // Fails when the attribute cannot be read (driver error, sensor gone) or
    // holds no number, or a configured computation cannot be evaluated.
    if (sensors_get_value(channel_.chip, channel_.input, &value) != 0) return nullptr;
    return std::make_unique<LinuxHidEvent>(channel_.field, value);
  }

 private:
  const Channel& channel_;
};

class LinuxHidClient final : public HidEventSystemClient {
 public:
  explicit LinuxHidClient(const std::vector<Channel>& channels) : channels_(channels) {}

  void setMatching(const PlistDictionary& matching) override { matching_ = matching; }

  std::optional<std::vector<std::unique_ptr<HidServiceClient>>> copyServices() const override {
    std::vector<std::unique_ptr<HidServiceClient>> services;
    for (const auto& channel : channels_) {
      auto service = std::make_unique<LinuxHidService>(channel);
      if (hidMatchingAccepts(matching_, *service)) services.push_back(std::move(service));
    }
    return services;
  }

 private:
  const std::vector<Channel>& channels_;
  PlistDictionary matching_;
};

class LinuxHidEventSystem final : public HidEventSystem {
 public:
  explicit LinuxHidEventSystem(std::vector<Channel> channels) : channels_(std::move(channels)) {}
  ~LinuxHidEventSystem() override {
    sensors_cleanup();
    g_open = false;
  }

  std::unique_ptr<HidEventSystemClient> createClient() override {
    return std::make_unique<LinuxHidClient>(channels_);
  }

 private:
  std::vector<Channel> channels_;
};

struct Kind {
  sensors_feature_type feature;
  sensors_subfeature_type input;
  std::int64_t usagePage;
  std::int64_t usage;
  std::int64_t eventType;
  std::uint32_t field;
};

const Kind* kindOf(sensors_feature_type type) {
  static const Kind kKinds[] = {
      {SENSORS_FEATURE_TEMP, SENSORS_SUBFEATURE_TEMP_INPUT, kHidThermalUsagePage, kHidThermalUsage,
       kHidEventTypeTemperature, kHidTemperatureLevelField},
      {SENSORS_FEATURE_CURR, SENSORS_SUBFEATURE_CURR_INPUT, kHidPowerUsagePage, kHidCurrentUsage,
       kHidEventTypePower, kHidPowerMeasureField},
      {SENSORS_FEATURE_IN, SENSORS_SUBFEATURE_IN_INPUT, kHidPowerUsagePage, kHidVoltageUsage,
       kHidEventTypePower, kHidPowerMeasureField},
  };
  for (const auto& kind : kKinds) {
    if (kind.feature == type) return &kind;
  }
  return nullptr;
}

// Valid UTF-8 of at most kMaxProductBytes, cut between characters: the name
// is stored as text, and one label that is not must not cost the others.
std::string productName(std::string_view bytes) {
  std::string name = replaceInvalidUtf8(bytes, kReplacementCharacter);
  if (name.size() > kMaxProductBytes) {
    std::size_t end = kMaxProductBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    name.resize(end);
  }
  return name;
}

// How a chip is named: by its driver's name ("nvme"), or, when another chip
// has the same, by its full name as the command-line tools print it
// ("nvme-pci-0100"), so two drives stay apart.
std::string chipName(const sensors_chip_name& chip, const std::map<std::string, int>& prefixCount) {
  const std::string prefix = chip.prefix != nullptr ? chip.prefix : "";
  if (prefixCount.at(prefix) < 2) return prefix;
  char full[256];
  const int n = sensors_snprintf_chip_name(full, sizeof full, &chip);
  return n > 0 ? std::string(full) : prefix;
}

// Chips in the library's order; within a chip the library lists a kind's
// channels by number. Ignored channels are skipped by sensors_get_features,
// and so is a channel without a reading of its own (a current with only a
// limit), which the command-line tools show no reading for either.
std::vector<Channel> collectChannels() {
  std::map<std::string, int> prefixCount;
  int chipIndex = 0;
  while (const sensors_chip_name* chip = sensors_get_detected_chips(nullptr, &chipIndex)) {
    ++prefixCount[chip->prefix != nullptr ? chip->prefix : ""];
  }

  std::vector<Channel> channels;
  chipIndex = 0;
  while (const sensors_chip_name* chip = sensors_get_detected_chips(nullptr, &chipIndex)) {
    const std::string chipText = chipName(*chip, prefixCount);
    int featureIndex = 0;
    while (const sensors_feature* feature = sensors_get_features(chip, &featureIndex)) {
      const Kind* kind = kindOf(feature->type);
      if (kind == nullptr) continue;
      const sensors_subfeature* input = sensors_get_subfeature(chip, feature, kind->input);
      if (input == nullptr) continue;
      // The library always answers with a label (the configured one, the
      // driver's, or the channel's name); only allocation can fail.
      std::unique_ptr<char, decltype(&std::free)> label(sensors_get_label(chip, feature),
                                                        &std::free);
      channels.push_back({chip, input->number,
                          productName(chipText + ' ' + (label ? label.get() : feature->name)),
                          kind->usagePage, kind->usage, kind->eventType, kind->field});
    }
  }
  return channels;
}

}  // namespace

Result<std::unique_ptr<HidEventSystem>> newLinuxHidEventSystem(
    const std::optional<std::string>& config, std::vector<std::string>* warnings) {
  if (g_open.exchange(true)) return failure("hardware sensors are already open in this process");
  std::unique_ptr<FILE, decltype(&std::fclose)> file(nullptr, &std::fclose);
  if (config) {
    file.reset(std::fopen(config->c_str(), "re"));
    if (!file) {
      const int err = errno;
      g_open = false;
      return failure(errnoMessage("cannot open sensors configuration " + *config, err));
    }
  }

  std::vector<std::string> parseErrors;
  g_parse_errors = &parseErrors;
  g_config_name = config ? config->c_str() : nullptr;
  auto* previousWfn = sensors_parse_error_wfn;
  auto* previous = sensors_parse_error;
  sensors_parse_error_wfn = keepParseError;
  sensors_parse_error = keepParseErrorNoFile;
  const int rc = sensors_init(file.get());
  sensors_parse_error_wfn = previousWfn;
  sensors_parse_error = previous;
  g_parse_errors = nullptr;
  g_config_name = nullptr;

  if (warnings) *warnings = parseErrors;
  if (rc != 0) {
    g_open = false;
    std::string what = parseErrors.empty() ? sensors_strerror(rc) : parseErrors.front();
    return failure("cannot read hardware sensors: " + what);
  }
  return std::unique_ptr<HidEventSystem>(std::make_unique<LinuxHidEventSystem>(collectChannels()));
}

}  // namespace tellwick::os
