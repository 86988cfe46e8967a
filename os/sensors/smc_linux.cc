// The controller's keys as Linux publishes them in sysfs: the applesmc
// platform device of Intel Macs, and the fan channels of any hwmon chip.

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "os/posix_file.h"
#include "os/sensors/attribute_files.h"
#include "os/sensors/bounded_reads.h"
#include "os/sensors/hwmon_watch.h"
#include "os/sensors/smc_linux.h"
#include "os/sensors/smc_user_client.h"

namespace tellwick::os {
namespace {

constexpr ServiceHandle kSmcService = 1;
constexpr const char* kAppleSmcDevice = "/devices/platform/applesmc.768";

constexpr std::uint32_t pack(std::string_view name) {
  std::uint32_t code = 0;
  for (char c : name) code = (code << 8) | static_cast<std::uint8_t>(c);
  return code;
}

constexpr std::uint32_t kFanCountKey = pack("FNum");
constexpr std::uint32_t kTypeUi8 = pack("ui8 ");
constexpr std::uint32_t kTypeFloat = pack("flt ");
constexpr std::uint32_t kTypeSp78 = pack("sp78");
constexpr std::uint32_t kTypeFanDescriptor = pack("{fds");

// A whole decimal integer, as hwmon writes its readings; nothing else.
std::optional<long long> parseInteger(const std::string& text) {
  long long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::vector<std::string> listDirectory(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

// A channel or chip number: decimal digits only, no sign, no leading zero.
std::optional<int> parseIndex(std::string_view digits) {
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// The numbers N of the names <prefix>N<suffix>, ascending.
std::vector<int> channels(const std::vector<std::string>& names, std::string_view prefix,
                          std::string_view suffix) {
  std::set<int> found;
  for (std::string_view name : names) {
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix)) {
      continue;
    }
    auto number =
        parseIndex(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
    if (number) found.insert(*number);
  }
  return {found.begin(), found.end()};
}

// One fan channel: the directory holding its attributes and its number.
struct FanChannel {
  std::string directory;
  int channel;
  const char* targetSuffix;  // applesmc calls the target "output"

  std::string attribute(std::string_view what) const {
    return directory + "/fan" + std::to_string(channel) + "_" + std::string(what);
  }
};

// Where each key lives right now. Rebuilt from the directory tree, never
// from values, so it holds no reading.
struct Layout {
  std::vector<FanChannel> fans;
  std::map<std::uint32_t, std::string> temperatures;  // key -> tempN_input
  bool appleSmc = false;  // present when the temperatures were listed
};

// Which fan key a code is: "F<index><suffix>".
struct FanKey {
  int index;
  std::string_view suffix;
};

std::optional<FanKey> parseFanKey(std::uint32_t key) {
  char name[4] = {static_cast<char>(key >> 24), static_cast<char>(key >> 16),
                  static_cast<char>(key >> 8), static_cast<char>(key)};
  if (name[0] != 'F') return std::nullopt;
  // Keys have four characters, so only fans 0 to 9 fit with a two-letter
  // suffix; later fans of a controller carry letters the reader never asks.
  if (name[1] < '0' || name[1] > '9') return std::nullopt;
  static constexpr std::string_view kSuffixes[] = {"ID", "Ac", "Mn", "Mx", "Tg"};
  for (auto suffix : kSuffixes) {
    if (name[2] == suffix[0] && name[3] == suffix[1]) return FanKey{name[1] - '0', suffix};
  }
  return std::nullopt;
}

class LinuxSmcUserClient final : public SmcUserClient {
 public:
  LinuxSmcUserClient(std::string root, const HwmonWatch* watch)
      : root_(std::move(root)), watch_(watch) {}

  ServiceHandle getMatchingService(const MatchingDictionary& matching) override {
    if (matching.className != "AppleSMC") return 0;
    scanTemperatures();
    listFans(true);
    std::lock_guard lock(mutex_);
    return layout_.appleSmc || !layout_.fans.empty() ? kSmcService : 0;
  }

  KernReturn open(ServiceHandle service, std::uint32_t type,
                  ConnectionHandle* connection) override {
    if (service != kSmcService || type != 0 || !connection) return kIOReturnBadArgument;
    std::lock_guard lock(mutex_);
    *connection = nextConnection_++;
    open_.insert(*connection);
    return kIOReturnSuccess;
  }

  void release(ServiceHandle) override {}

  KernReturn callStructMethod(ConnectionHandle connection, std::uint32_t selector,
                              const void* input, std::size_t inputSize, void* output,
                              std::size_t* outputSize) override {
    // A value read for key info serves the byte read of the same key that
    // follows it on the same connection, and nothing else: one file read per
    // reading, never a value kept from one reading to the next.
    std::optional<Pending> pending;
    {
      std::lock_guard lock(mutex_);
      if (!open_.contains(connection)) return kIOReturnNotOpen;
      if (auto found = pending_.find(connection); found != pending_.end()) {
        pending = std::move(found->second);
        pending_.erase(found);
      }
    }
    if (selector != kSmcStructMethodSelector || !input || !output || !outputSize ||
        inputSize != sizeof(Parameters) || *outputSize < sizeof(Parameters)) {
      return kIOReturnBadArgument;
    }
    Parameters in;
    std::memcpy(&in, input, sizeof in);
    Parameters out{};
    bool timedOut = false;
    switch (in.data8) {
      case kSmcReadKeyInfo: {
        // A fan request starts here: take the chips as they are now, when
        // some came or went since they were last listed.
        if (in.key == kFanCountKey) listFans(false);
        auto value = read(connection, in.key, timedOut);
        if (timedOut) return kIOReturnTimeout;
        if (!value) {
          out.result = kSmcResultKeyNotFound;
          break;
        }
        out.keyInfo.dataSize = static_cast<std::uint32_t>(value->bytes.size());
        out.keyInfo.dataType = value->type;
        std::lock_guard lock(mutex_);
        pending_[connection] = Pending{in.key, std::move(*value)};
        break;
      }
      case kSmcReadKeyBytes: {
        std::optional<Value> value;
        if (pending && pending->key == in.key) {
          value = std::move(pending->value);
        } else {
          value = read(connection, in.key, timedOut);
        }
        // An unreadable value fails the call, so no zeroed block passes for
        // a reading.
        if (!value) return timedOut ? kIOReturnTimeout : kIOReturnError;
        std::copy_n(value->bytes.begin(), std::min(value->bytes.size(), out.bytes.bytes.size()),
                    out.bytes.bytes.begin());
        break;
      }
      default:
        return kIOReturnBadArgument;
    }
    std::memcpy(output, &out, sizeof out);
    *outputSize = sizeof out;
    return kIOReturnSuccess;
  }

  KernReturn close(ConnectionHandle connection) override {
    std::lock_guard lock(mutex_);
    pending_.erase(connection);
    rounds_.erase(connection);
    return open_.erase(connection) ? kIOReturnSuccess : kIOReturnNotOpen;
  }

 private:
  // A key's present value as the controller would hold it: type and bytes.
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  };

  struct Pending {
    std::uint32_t key;
    Value value;
  };

  // A sampler reads the same keys each time. So a connection's reads are
  // taken in rounds: a key read again starts the next round, which reads
  // the keys of the last one ahead, in their order, in one trip to a reader
  // per directory, where one trip per key would cost more than the reads.
  // A value read ahead serves one read of its key in that round only.
  struct Round {
    std::vector<std::uint32_t> keys;  // read in this round so far
    std::map<std::uint32_t, std::optional<std::string>> ahead;
  };
  static constexpr std::size_t kMaxRoundKeys = 1024;

  std::string appleSmcDirectory() const { return root_ + kAppleSmcDevice; }

  // A read that blocks holds up only reads of the same directory (its chip).
  // A key's attribute is read through the files kept open, a label or a
  // name, read when chips are listed, on its own.
  std::optional<std::string> readBounded(const std::string& path, bool& timedOut, bool key = false) {
    bool late = false;
    auto read = [files = files_, path, key] { return key ? files->read(path) : readAttribute(path); };
    auto text = reads_.run<std::string>(path.substr(0, path.rfind('/')), read, &late);
    timedOut = timedOut || late;
    return text;
  }

  // Lists the fans again when chips came or went since they were last
  // listed; with no watch to say so, every time.
  void listFans(bool always) {
    const std::uint64_t changes = watch_ ? watch_->changes() : 0;
    {
      std::lock_guard lock(mutex_);
      if (!always && watch_ && changes == fansListedAt_) return;
    }
    auto fans = scanFans();
    std::lock_guard lock(mutex_);
    layout_.fans = std::move(fans);
    fansListedAt_ = changes;
  }

  // applesmc's fans first, then those of the other chips in the order of
  // their devices' paths, which, unlike hwmonN, stay as they are when other
  // chips come and go; channels by number within each.
  std::vector<FanChannel> scanFans() {
    std::vector<FanChannel> fans;
    const std::string appleSmc = appleSmcDirectory();
    for (int channel : channels(listDirectory(appleSmc), "fan", "_input")) {
      fans.push_back({appleSmc, channel, "output"});
    }
    const std::string hwmonClass = root_ + "/class/hwmon";
    std::vector<std::string> chips;
    for (int number : channels(listDirectory(hwmonClass), "hwmon", "")) {
      const std::string chip = hwmonClass + "/hwmon" + std::to_string(number);
      std::unique_ptr<char, decltype(&std::free)> real(::realpath(chip.c_str(), nullptr), &std::free);
      chips.emplace_back(real ? real.get() : chip);
    }
    std::sort(chips.begin(), chips.end());
    // Read through the device's own path: a read that hangs holds up that
    // device, not whichever chip takes its hwmonN next.
    for (const std::string& chip : chips) {
      bool ignored = false;
      auto name = readBounded(chip + "/name", ignored);
      if (!name) name = readBounded(chip + "/device/name", ignored);
      if (name == "applesmc") continue;  // already listed first, from its device
      // Current drivers keep their attributes on the class device, older ones
      // on the parent device.
      for (const std::string& directory : {chip, chip + "/device"}) {
        auto found = channels(listDirectory(directory), "fan", "_input");
        if (found.empty()) continue;
        for (int channel : found) fans.push_back({directory, channel, "target"});
        break;
      }
    }
    return fans;
  }

  // applesmc names each temperature channel after its key.
  void scanTemperatures() {
    std::map<std::uint32_t, std::string> temperatures;
    const std::string appleSmc = appleSmcDirectory();
    auto files = listDirectory(appleSmc);
    for (int channel : channels(files, "temp", "_input")) {
      std::string prefix = appleSmc + "/temp" + std::to_string(channel);
      bool ignored = false;
      auto label = readBounded(prefix + "_label", ignored);
      if (label && label->size() == 4) temperatures.emplace(pack(*label), prefix + "_input");
    }
    std::lock_guard lock(mutex_);
    layout_.temperatures = std::move(temperatures);
    layout_.appleSmc = !files.empty();  // "." and ".." at least, when it is there
  }

  bool appleSmcPresent() const {
    return ::access(appleSmcDirectory().c_str(), F_OK) == 0;
  }

  std::optional<std::string> attributePath(std::uint32_t key) {
    std::unique_lock lock(mutex_);
    if (auto fan = parseFanKey(key)) {
      if (fan->index >= static_cast<int>(layout_.fans.size())) return std::nullopt;
      const FanChannel& channel = layout_.fans[static_cast<std::size_t>(fan->index)];
      if (fan->suffix == "ID") return channel.attribute("label");
      if (fan->suffix == "Ac") return channel.attribute("input");
      if (fan->suffix == "Mn") return channel.attribute("min");
      if (fan->suffix == "Mx") return channel.attribute("max");
      return channel.attribute(channel.targetSuffix);
    }
    auto temperature = layout_.temperatures.find(key);
    if (temperature == layout_.temperatures.end() && appleSmcPresent() != layout_.appleSmc) {
      // applesmc came or went since its channels were last listed.
      lock.unlock();
      scanTemperatures();
      lock.lock();
      temperature = layout_.temperatures.find(key);
    }
    if (temperature == layout_.temperatures.end()) return std::nullopt;
    return temperature->second;
  }

  std::optional<std::string> readInRound(ConnectionHandle connection, std::uint32_t key,
                                        const std::string& path, bool& timedOut) {
    std::vector<std::uint32_t> last;
    {
      std::lock_guard lock(mutex_);
      Round& round = rounds_[connection];
      if (auto found = round.ahead.extract(key)) {
        round.keys.push_back(key);
        return std::move(found.mapped());
      }
      if (std::find(round.keys.begin(), round.keys.end(), key) == round.keys.end()) {
        if (round.keys.size() < kMaxRoundKeys) round.keys.push_back(key);
      } else {
        last = std::move(round.keys);
        round = Round{{key}, {}};
      }
    }
    // Only a key that is not read ahead reaches the files; kept ones are
    // let go once the chips have changed.
    if (watch_) files_->forgetUnless(watch_->changes());
    if (last.empty()) return readBounded(path, timedOut, true);
    auto ahead = readAhead(last);
    auto own = ahead.extract(key);
    {
      std::lock_guard lock(mutex_);
      if (auto round = rounds_.find(connection); round != rounds_.end()) round->second.ahead = std::move(ahead);
    }
    return own ? std::move(own.mapped()) : readBounded(path, timedOut, true);
  }

  // The values of keys, read a directory at a time; a key whose directory
  // did not answer in time is left out, to be read (and fail) on its own.
  std::map<std::uint32_t, std::optional<std::string>> readAhead(const std::vector<std::uint32_t>& keys) {
    std::vector<std::pair<std::string, std::vector<std::pair<std::uint32_t, std::string>>>> directories;
    for (std::uint32_t key : keys) {
      auto path = attributePath(key);
      if (!path) continue;
      std::string directory = path->substr(0, path->rfind('/'));
      auto same = std::find_if(directories.begin(), directories.end(),
                               [&](const auto& d) { return d.first == directory; });
      if (same == directories.end()) same = directories.insert(directories.end(), {directory, {}});
      same->second.emplace_back(key, std::move(*path));
    }
    std::map<std::uint32_t, std::optional<std::string>> ahead;
    for (const auto& [directory, files] : directories) {
      auto texts = reads_.runEach<std::optional<std::string>>(
          directory, files.size(),
          [kept = files_, files](std::size_t i) { return std::optional(kept->read(files[i].second)); });
      for (std::size_t i = 0; i < files.size(); ++i) {
        if (texts[i]) ahead.emplace(files[i].first, std::move(*texts[i]));
      }
    }
    return ahead;
  }

  std::optional<Value> read(ConnectionHandle connection, std::uint32_t key, bool& timedOut) {
    if (key == kFanCountKey) {
      std::lock_guard lock(mutex_);
      auto count = std::min<std::size_t>(layout_.fans.size(), 255);
      return Value{kTypeUi8, {static_cast<std::uint8_t>(count)}};
    }
    auto path = attributePath(key);
    if (!path) return std::nullopt;
    auto text = readInRound(connection, key, *path, timedOut);
    if (!text) return std::nullopt;
    auto fan = parseFanKey(key);
    if (fan && fan->suffix == "ID") {
      // Bytes 0-3 would hold the fan's type and place; Linux does not say.
      Value id{kTypeFanDescriptor, std::vector<std::uint8_t>(16, ' ')};
      std::fill_n(id.bytes.begin(), 4, 0);
      std::copy_n(text->begin(), std::min<std::size_t>(text->size(), 12), id.bytes.begin() + 4);
      return id;
    }
    auto number = parseInteger(*text);
    if (!number) return std::nullopt;
    if (fan) {
      auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(*number));
      return Value{kTypeFloat,
                   {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                    static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
    }
    // Millidegrees to 1/256 degree, saturating at what sp78 can say.
    double scaled = std::round(static_cast<double>(*number) * 256.0 / 1000.0);
    auto raw = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
    auto bits = static_cast<std::uint16_t>(raw);
    return Value{kTypeSp78, {static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)}};
  }

  const std::string root_;
  const HwmonWatch* watch_;
  // Shared with the reads, which a read that blocks may hold on to.
  std::shared_ptr<AttributeFiles> files_ = std::make_shared<AttributeFiles>();
  BoundedReads reads_;
  // Fans and sensors are sampled on threads of their own, each over its own
  // connection: the layout and the open connections are shared.
  std::mutex mutex_;
  Layout layout_;
  std::uint64_t fansListedAt_ = 0;
  std::map<ConnectionHandle, Pending> pending_;
  std::map<ConnectionHandle, Round> rounds_;
  std::set<ConnectionHandle> open_;
  ConnectionHandle nextConnection_ = 1;
};

}  // namespace

bool linuxSmcPresent(const std::string& sysfsRoot) {
  return ::access((sysfsRoot + kAppleSmcDevice).c_str(), F_OK) == 0;
}

std::unique_ptr<SmcUserClient> newLinuxSmcUserClient(std::string sysfsRoot, const HwmonWatch* watch) {
  return std::make_unique<LinuxSmcUserClient>(std::move(sysfsRoot), watch);
}

}  // namespace tellwick::os
