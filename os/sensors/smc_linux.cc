// The controller's keys as Linux publishes them in sysfs: the applesmc
// platform device of Intel Macs, and the fan channels of any hwmon chip.

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "os/posix_file.h"
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

// Reads a sysfs attribute whole. Absent when the file is missing, the driver
// refuses the read (ENODATA, EIO, ENXIO from a chip that is going away) or it
// is longer than any attribute: to a reader of keys that is a missing value,
// not an error.
std::optional<std::string> readAttribute(const std::string& path) {
  auto content = readWholeFile(path, 4096);
  if (!content) return std::nullopt;
  if (!content->empty() && content->back() == '\n') content->pop_back();
  return std::move(*content);
}

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
  explicit LinuxSmcUserClient(std::string root) : root_(std::move(root)) {}

  ServiceHandle getMatchingService(const MatchingDictionary& matching) override {
    if (matching.className != "AppleSMC") return 0;
    scanTemperatures();
    layout_.fans = scanFans();
    return layout_.appleSmc || !layout_.fans.empty() ? kSmcService : 0;
  }

  KernReturn open(ServiceHandle service, std::uint32_t type,
                  ConnectionHandle* connection) override {
    if (service != kSmcService || type != 0 || !connection) return kIOReturnBadArgument;
    *connection = nextConnection_++;
    open_.insert(*connection);
    return kIOReturnSuccess;
  }

  void release(ServiceHandle) override {}

  KernReturn callStructMethod(ConnectionHandle connection, std::uint32_t selector,
                              const void* input, std::size_t inputSize, void* output,
                              std::size_t* outputSize) override {
    if (!open_.contains(connection)) return kIOReturnNotOpen;
    if (selector != kSmcStructMethodSelector || !input || !output || !outputSize ||
        inputSize != sizeof(Parameters) || *outputSize < sizeof(Parameters)) {
      return kIOReturnBadArgument;
    }
    Parameters in;
    std::memcpy(&in, input, sizeof in);
    Parameters out{};
    // A value read for key info serves the byte read of the same key that
    // follows it on the same connection, and nothing else: one file read per
    // reading, never a value kept from one reading to the next.
    std::optional<Pending> pending = std::move(pending_);
    pending_.reset();
    switch (in.data8) {
      case kSmcReadKeyInfo:
        readKeyInfo(connection, in.key, out);
        break;
      case kSmcReadKeyBytes: {
        std::optional<Value> value;
        if (pending && pending->connection == connection && pending->key == in.key) {
          value = std::move(pending->value);
        } else {
          value = read(in.key);
        }
        // An unreadable value fails the call, so no zeroed block passes for
        // a reading.
        if (!value) return kIOReturnError;
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
    return open_.erase(connection) ? kIOReturnSuccess : kIOReturnNotOpen;
  }

 private:
  // A key's present value as the controller would hold it: type and bytes.
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  };

  std::string appleSmcDirectory() const { return root_ + kAppleSmcDevice; }

  // applesmc's fans first, then those of the other chips by hwmon number;
  // channels by number within each.
  std::vector<FanChannel> scanFans() const {
    std::vector<FanChannel> fans;
    const std::string appleSmc = appleSmcDirectory();
    for (int channel : channels(listDirectory(appleSmc), "fan", "_input")) {
      fans.push_back({appleSmc, channel, "output"});
    }
    const std::string hwmonClass = root_ + "/class/hwmon";
    for (int number : channels(listDirectory(hwmonClass), "hwmon", "")) {
      const std::string chip = hwmonClass + "/hwmon" + std::to_string(number);
      auto name = readAttribute(chip + "/name");
      if (!name) name = readAttribute(chip + "/device/name");
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
    layout_.temperatures.clear();
    const std::string appleSmc = appleSmcDirectory();
    auto files = listDirectory(appleSmc);
    layout_.appleSmc = !files.empty();  // "." and ".." at least, when it is there
    for (int channel : channels(files, "temp", "_input")) {
      std::string prefix = appleSmc + "/temp" + std::to_string(channel);
      auto label = readAttribute(prefix + "_label");
      if (label && label->size() == 4) {
        layout_.temperatures.emplace(pack(*label), prefix + "_input");
      }
    }
  }

  bool appleSmcPresent() const {
    return ::access(appleSmcDirectory().c_str(), F_OK) == 0;
  }

  std::optional<std::string> attributePath(std::uint32_t key) {
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
      scanTemperatures();
      temperature = layout_.temperatures.find(key);
    }
    if (temperature == layout_.temperatures.end()) return std::nullopt;
    return temperature->second;
  }

  std::optional<Value> read(std::uint32_t key) {
    if (key == kFanCountKey) {
      auto count = std::min<std::size_t>(layout_.fans.size(), 255);
      return Value{kTypeUi8, {static_cast<std::uint8_t>(count)}};
    }
    auto path = attributePath(key);
    if (!path) return std::nullopt;
    auto text = readAttribute(*path);
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

  void readKeyInfo(ConnectionHandle connection, std::uint32_t key, Parameters& out) {
    // A fan request starts here: take the chips as they are now, so one that
    // came or went since the last request is seen.
    if (key == kFanCountKey) layout_.fans = scanFans();
    auto value = read(key);
    if (!value) {
      out.result = kSmcResultKeyNotFound;
      return;
    }
    out.keyInfo.dataSize = static_cast<std::uint32_t>(value->bytes.size());
    out.keyInfo.dataType = value->type;
    pending_ = Pending{connection, key, std::move(*value)};
  }

  struct Pending {
    ConnectionHandle connection;
    std::uint32_t key;
    Value value;
  };

  std::string root_;
  Layout layout_;
  std::optional<Pending> pending_;
  std::set<ConnectionHandle> open_;
  ConnectionHandle nextConnection_ = 1;
};

}  // namespace

bool linuxSmcPresent(const std::string& sysfsRoot) {
  return ::access((sysfsRoot + kAppleSmcDevice).c_str(), F_OK) == 0;
}

std::unique_ptr<SmcUserClient> newLinuxSmcUserClient(std::string sysfsRoot) {
  return std::make_unique<LinuxSmcUserClient>(std::move(sysfsRoot));
}

}  // namespace tellwick::os
