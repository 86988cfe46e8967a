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
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "os/sensors/bounded_reads.h"
#include "os/sensors/hid_event_system.h"
#include "os/sensors/hwmon_watch.h"
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
  std::string chipText;  // the chip's full name: a read that blocks holds up the whole chip
  int input;             // subfeature number of the reading
  std::string product;
  std::int64_t usagePage;
  std::int64_t usage;
  std::int64_t eventType;
  std::uint32_t field;
};

// The channels of one listing. Their chip pointers belong to the library
// and die when it lists again, which makes the listing stale: services of a
// stale listing read nothing.
struct Listing {
  std::vector<Channel> channels;
  bool stale = false;
};

class LinuxHidEvent final : public HidEvent {
 public:
  LinuxHidEvent(std::uint32_t field, double value) : field_(field), value_(value) {}
  double floatValue(std::uint32_t field) const override { return field == field_ ? value_ : 0; }

 private:
  std::uint32_t field_;
  double value_;
};

// The readings of one copy of the services, taken a chip at a time: the
// first event asked of a chip's service reads every service of that chip in
// one trip to a reader, where one trip per reading would cost more than the
// readings. Each reading serves its own service's next event, once.
class ChipReadings {
 public:
  ChipReadings(std::vector<const Channel*> channels, BoundedReads& reads)
      : channels_(std::move(channels)), ahead_(channels_.size()), reads_(reads) {}

  // Fails when the attribute cannot be read (driver error, sensor gone) or
  // holds no number, or a configured computation cannot be evaluated; and
  // when it does not answer in time, as a disk being woken may not.
  std::optional<double> take(std::size_t index) {
    const std::string& chip = channels_[index]->chipText;
    std::unique_lock lock(mutex_);
    if (chipsRead_.insert(chip).second) {
      std::vector<std::size_t> same;
      std::vector<Input> inputs;
      for (std::size_t i = 0; i < channels_.size(); ++i) {
        if (channels_[i]->chipText != chip) continue;
        same.push_back(i);
        inputs.push_back({channels_[i]->chip, channels_[i]->input});
      }
      lock.unlock();
      auto values = reads_.runEach<std::optional<double>>(
          chip, same.size(), [inputs](std::size_t i) { return std::optional(readValue(inputs[i])); });
      lock.lock();
      for (std::size_t i = 0; i < same.size(); ++i) ahead_[same[i]] = std::move(values[i]);
    }
    if (auto value = std::exchange(ahead_[index], std::nullopt)) return *value;
    lock.unlock();
    Input input{channels_[index]->chip, channels_[index]->input};
    return reads_.run<double>(chip, [input] { return readValue(input); });
  }

 private:
  struct Input {
    const sensors_chip_name* chip;
    int number;
  };
  static std::optional<double> readValue(Input input) {
    double reading = 0;
    return sensors_get_value(input.chip, input.number, &reading) == 0 ? std::optional(reading) : std::nullopt;
  }

  const std::vector<const Channel*> channels_;
  std::mutex mutex_;
  std::set<std::string> chipsRead_;
  std::vector<std::optional<std::optional<double>>> ahead_;  // read, not yet served
  BoundedReads& reads_;
};

class LinuxHidService final : public HidServiceClient {
 public:
  LinuxHidService(std::shared_ptr<const Listing> listing, const Channel& channel)
      : listing_(std::move(listing)), channel_(channel) {}

  std::optional<PlistValue> copyProperty(std::string_view key) const override {
    if (key == kHidProductKey) return PlistValue(channel_.product);
    if (key == kHidPrimaryUsagePageKey) return PlistValue(channel_.usagePage);
    if (key == kHidPrimaryUsageKey) return PlistValue(channel_.usage);
    return std::nullopt;
  }

  std::unique_ptr<HidEvent> copyEvent(std::int64_t type) const override {
    if (type != channel_.eventType || listing_->stale || !readings_) return nullptr;
    auto value = readings_->take(index_);
    if (!value) return nullptr;
    return std::make_unique<LinuxHidEvent>(channel_.field, *value);
  }

  void shareReadings(std::shared_ptr<ChipReadings> readings, std::size_t index) {
    readings_ = std::move(readings);
    index_ = index;
  }

 private:
  std::shared_ptr<const Listing> listing_;
  const Channel& channel_;
  std::shared_ptr<ChipReadings> readings_;
  std::size_t index_ = 0;
};

class LinuxHidClient final : public HidEventSystemClient {
 public:
  LinuxHidClient(std::shared_ptr<const Listing> listing, BoundedReads& reads)
      : listing_(std::move(listing)), reads_(reads) {}

  void setMatching(const PlistDictionary& matching) override { matching_ = matching; }

  std::optional<std::vector<std::unique_ptr<HidServiceClient>>> copyServices() const override {
    std::vector<std::unique_ptr<LinuxHidService>> matched;
    std::vector<const Channel*> channels;
    for (const auto& channel : listing_->channels) {
      auto service = std::make_unique<LinuxHidService>(listing_, channel);
      if (!hidMatchingAccepts(matching_, *service)) continue;
      matched.push_back(std::move(service));
      channels.push_back(&channel);
    }
    auto readings = std::make_shared<ChipReadings>(std::move(channels), reads_);
    std::vector<std::unique_ptr<HidServiceClient>> services;
    for (std::size_t i = 0; i < matched.size(); ++i) {
      matched[i]->shareReadings(readings, i);
      services.push_back(std::move(matched[i]));
    }
    return services;
  }

 private:
  std::shared_ptr<const Listing> listing_;
  BoundedReads& reads_;
  PlistDictionary matching_;
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
      channels.push_back({chip, chipText, input->number,
                          productName(chipText + ' ' + (label ? label.get() : feature->name)),
                          kind->usagePage, kind->usage, kind->eventType, kind->field});
    }
  }
  return channels;
}

// Reads the configuration and lists the chips; on failure the library holds
// nothing and says why. warnings receives the lines it skipped.
Status initLibrary(const std::optional<std::string>& config, std::vector<std::string>* warnings) {
  std::unique_ptr<FILE, decltype(&std::fclose)> file(nullptr, &std::fclose);
  if (config) {
    file.reset(std::fopen(config->c_str(), "re"));
    if (!file) {
      const int err = errno;
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
    std::string what = parseErrors.empty() ? sensors_strerror(rc) : parseErrors.front();
    return failure("cannot read hardware sensors: " + what);
  }
  return {};
}

class LinuxHidEventSystem final : public HidEventSystem {
 public:
  LinuxHidEventSystem(std::optional<std::string> config, const HwmonWatch* watch)
      : config_(std::move(config)),
        watch_(watch),
        listedAt_(watch ? watch->changes() : 0),
        listing_(std::make_shared<Listing>(Listing{collectChannels()})) {}

  ~LinuxHidEventSystem() override {
    // A read still inside the library would outlive what it reads.
    reads_.reset();
    sensors_cleanup();
    g_open = false;
  }

  std::unique_ptr<HidEventSystemClient> createClient() override {
    relistIfChanged();
    return std::make_unique<LinuxHidClient>(listing_, *reads_);
  }

 private:
  // Chips came or went since the last listing: list them again, so that the
  // answer has the new set. Not while a read runs inside the library, whose
  // chips a new listing frees: a read that hangs delays the new set until
  // it ends, and the old one serves meanwhile.
  void relistIfChanged() {
    if (!watch_) return;
    const std::uint64_t changes = watch_->changes();
    if (changes == listedAt_ || !reads_->idle()) return;
    listedAt_ = changes;
    listing_->stale = true;
    sensors_cleanup();
    // A configuration that went bad meanwhile lists no chips until the next
    // change, rather than being read again on every request.
    std::vector<Channel> channels;
    if (initLibrary(config_, nullptr)) channels = collectChannels();
    listing_ = std::make_shared<Listing>(Listing{std::move(channels)});
  }

  std::optional<std::string> config_;
  const HwmonWatch* watch_;
  std::uint64_t listedAt_;
  std::shared_ptr<Listing> listing_;
  std::unique_ptr<BoundedReads> reads_ = std::make_unique<BoundedReads>();
};

}  // namespace

Result<std::unique_ptr<HidEventSystem>> newLinuxHidEventSystem(
    const std::optional<std::string>& config, std::vector<std::string>* warnings,
    const HwmonWatch* watch) {
  if (g_open.exchange(true)) return failure("hardware sensors are already open in this process");
  if (Status opened = initLibrary(config, warnings); !opened) {
    g_open = false;
    return failure(opened.error());
  }
  return std::unique_ptr<HidEventSystem>(std::make_unique<LinuxHidEventSystem>(config, watch));
}

}  // namespace tellwick::os
