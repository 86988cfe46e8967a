#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/le.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "os/bluetooth/bluetooth_central.h"
#include "os/clock.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "os/utf8.h"

namespace tellwick::ctl {
namespace {

using Json = nlohmann::ordered_json;
using namespace std::chrono_literals;

constexpr const char* kUsage =
    "usage: tellwickctl le [--json] [--once] [--timeout SECONDS]\n"
    "       tellwickctl le monitor|unmonitor ADDRESS\n"
    "\n"
    "Lists the Bluetooth LE devices that BlueZ reports, with battery level,\n"
    "model and revisions, refreshed every second until interrupted.\n"
    "  --json             one JSON line, {\"devices\": [...]}, per change\n"
    "  --once             print the list once every device has answered the\n"
    "                     first round of reads (or --timeout passed), then exit\n"
    "  --timeout SECONDS  the bound for --once (default 10)\n"
    "  monitor ADDRESS    connect this device as soon as it is seen (kept in\n"
    "                     ${XDG_CONFIG_HOME:-~/.config}/tellwickctl.plist)\n"
    "  unmonitor ADDRESS  stop doing so\n"
    "Exit status: 0, 64 bad arguments, 69 no BlueZ, no adapter or adapter off,\n"
    "73 the monitored list could not be stored.\n";

volatile sig_atomic_t gInterrupted = 0;
void onInterrupt(int) { gInterrupted = 1; }

bool isAddress(const std::string& text) {
  if (text.size() != 17) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool colon = i % 3 == 2;
    if (colon ? text[i] != ':' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

// Text from a device, fit for one terminal cell run of at most width
// characters: no control characters, valid UTF-8.
std::string printable(const std::string& text, std::size_t width) {
  std::string clean = replaceInvalidUtf8(text, '?');
  for (auto& c : clean) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  std::string out;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < clean.size(); ++i) {
    bool lead = (static_cast<unsigned char>(clean[i]) & 0xC0) != 0x80;
    if (lead && ++characters > width) break;
    out += clean[i];
  }
  return out + std::string(width > characters ? width - characters : 0, ' ');
}

Json optionalText(const std::optional<std::string>& text) {
  return text ? Json(*text) : Json(nullptr);
}

Json plistScalar(const os::PlistValue& value) {
  if (const auto* b = value.get<bool>()) return *b;
  if (const auto* i = value.get<std::int64_t>()) return *i;
  if (const auto* u = value.get<std::uint64_t>()) return *u;
  if (const auto* s = value.get<std::string>()) return *s;
  return nullptr;
}

// Stands between the finder and the real central and counts the requests
// still unanswered, so that --once knows when the first round is over.
class CountingCentral final : public os::BluetoothCentral, private os::BluetoothCentralDelegate {
 public:
  explicit CountingCentral(os::BluetoothCentral& central) : central_(central) {
    central_.setDelegate(this);
  }
  ~CountingCentral() override { central_.setDelegate(nullptr); }

  int outstanding() const { return outstanding_; }

  void setDelegate(os::BluetoothCentralDelegate* delegate) override { delegate_ = delegate; }
  os::CentralState state() override { return central_.state(); }
  std::vector<std::string> retrieveConnectedPeripherals(
      const std::vector<std::string>& s) override {
    return central_.retrieveConnectedPeripherals(s);
  }
  std::optional<std::string> name(const std::string& p) override { return central_.name(p); }
  os::PeripheralState peripheralState(const std::string& p) override {
    return central_.peripheralState(p);
  }
  std::optional<std::vector<std::string>> services(const std::string& p) override {
    return central_.services(p);
  }
  void connect(const std::string& p) override {
    ++outstanding_;
    central_.connect(p);
  }
  void cancelConnection(const std::string& p) override { central_.cancelConnection(p); }
  void discoverServices(const std::string& p, const std::vector<std::string>& s) override {
    ++outstanding_;
    central_.discoverServices(p, s);
  }
  void discoverCharacteristics(const std::string& p, const std::string& s) override {
    ++outstanding_;
    central_.discoverCharacteristics(p, s);
  }
  void readValue(const std::string& p, const std::string& s, const std::string& c) override {
    ++outstanding_;
    central_.readValue(p, s, c);
  }
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override {
    return central_.runUntil(done, timeout);
  }

 private:
  void answered() { outstanding_ = std::max(0, outstanding_ - 1); }

  void centralDidUpdateState(os::CentralState s) override {
    if (delegate_) delegate_->centralDidUpdateState(s);
  }
  void didDiscoverPeripheral(const std::string& p, const os::AdvertisementData& a) override {
    if (delegate_) delegate_->didDiscoverPeripheral(p, a);
  }
  void didConnectPeripheral(const std::string& p) override {
    answered();
    if (delegate_) delegate_->didConnectPeripheral(p);
  }
  void didFailToConnectPeripheral(const std::string& p, const std::string& e) override {
    answered();
    if (delegate_) delegate_->didFailToConnectPeripheral(p, e);
  }
  void didDisconnectPeripheral(const std::string& p) override {
    if (delegate_) delegate_->didDisconnectPeripheral(p);
  }
  void didDiscoverServices(const std::string& p) override {
    answered();
    if (delegate_) delegate_->didDiscoverServices(p);
  }
  void didDiscoverCharacteristics(const std::string& p, const std::string& s,
                                  const std::optional<std::vector<std::string>>& l) override {
    answered();
    if (delegate_) delegate_->didDiscoverCharacteristics(p, s, l);
  }
  void didUpdateValue(const std::string& p, const std::string& c,
                      const std::optional<std::vector<std::uint8_t>>& v) override {
    answered();
    if (delegate_) delegate_->didUpdateValue(p, c, v);
  }

  os::BluetoothCentral& central_;
  os::BluetoothCentralDelegate* delegate_ = nullptr;
  int outstanding_ = 0;
};

class Watcher final : public LowEnergyDelegate {
 public:
  void devicesDidUpdate() override { changed = true; }
  void centralStateDidUpdate(os::CentralState s) override {
    state = s;
    changed = true;
  }
  std::optional<os::CentralState> state;
  bool changed = false;
};

std::string stateProblem(os::CentralState state) {
  switch (state) {
    case os::CentralState::poweredOn:
      return {};
    case os::CentralState::poweredOff:
      return "the Bluetooth adapter is powered off";
    case os::CentralState::unauthorized:
      return "not allowed to use Bluetooth";
    default:
      return "no Bluetooth: BlueZ is not running or has no adapter";
  }
}

int editMonitored(const LowEnergyInvocation& invocation) {
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  auto domain = defaults->openSuite(programDefaultsSuite());
  if (!domain) {
    std::fprintf(stderr, "tellwickctl: no place to keep settings (set XDG_CONFIG_HOME or HOME)\n");
    return kLowEnergyCannotStore;
  }
  LowEnergyPersistency persistency(*domain);
  auto status = invocation.action == LowEnergyInvocation::Action::monitor
                    ? persistency.addMonitoredDevice(invocation.address)
                    : persistency.removeMonitoredDevice(invocation.address);
  if (!status) {
    std::fprintf(stderr, "tellwickctl: cannot store the monitored list: %s\n",
                 status.error().c_str());
    return kLowEnergyCannotStore;
  }
  return 0;
}

int watch(const LowEnergyInvocation& invocation) {
  auto made = os::newLinuxBluetoothCentral();
  if (!made) {
    std::fprintf(stderr, "tellwickctl: %s\n", made.error().c_str());
    return kLowEnergyUnavailable;
  }
  CountingCentral central(*made.value());
  auto clock = os::newLinuxClock();
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  auto domain = defaults->openSuite(programDefaultsSuite());
  // Without a settings file the lists simply start empty each time.
  std::unique_ptr<os::UserDefaultsDomain> scratch;
  struct NoDomain final : os::UserDefaultsDomain {
    std::optional<os::PlistValue> value(const std::string&) override { return std::nullopt; }
    os::Result<std::optional<os::PlistValue>> read(const std::string&) override {
      return std::optional<os::PlistValue>();
    }
    os::Status setValue(const std::string&, const os::PlistValue&) override {
      return os::failure("no settings file");
    }
    os::Status removeValue(const std::string&) override { return {}; }
  };
  if (!domain) domain = std::make_unique<NoDomain>();
  LowEnergyPersistency persistency(*domain);
  const auto& bundle = os::installedBundle();
  const DeviceCatalogue catalogue = DeviceCatalogue::load(bundle);
  LowEnergyFinder finder(central, *clock, persistency, catalogue, bundle);
  Watcher watcher;
  finder.setDelegate(&watcher);

  central.runUntil([&] { return watcher.state.has_value(); }, 5s);
  std::string problem = stateProblem(watcher.state.value_or(central.state()));
  if (!problem.empty()) {
    std::fprintf(stderr, "tellwickctl: %s\n", problem.c_str());
    return kLowEnergyUnavailable;
  }

  struct sigaction action {};
  action.sa_handler = &onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  const bool terminal = !invocation.json && ::isatty(STDOUT_FILENO);
  const auto deadline = std::chrono::steady_clock::now() + invocation.timeout;
  std::string last;
  auto show = [&](bool force) {
    std::string text = invocation.json ? lowEnergyJsonLine(finder.devices(), catalogue, bundle)
                                       : lowEnergyTable(finder.devices(), catalogue, bundle);
    if (!force && text == last) return;
    last = text;
    if (terminal) std::fputs("\033[H\033[2J", stdout);
    std::fputs(text.c_str(), stdout);
    if (!invocation.json && !terminal) std::fputs("\n", stdout);
    std::fflush(stdout);
  };

  while (!gInterrupted) {
    finder.refresh();
    if (invocation.once) {
      central.runUntil([&] { return gInterrupted || central.outstanding() == 0; },
                       std::chrono::duration_cast<std::chrono::milliseconds>(
                           deadline - std::chrono::steady_clock::now()));
      show(true);
      return 0;
    }
    const auto next = std::chrono::steady_clock::now() + 1s;
    while (!gInterrupted && std::chrono::steady_clock::now() < next) {
      central.runUntil([&] { return gInterrupted || watcher.changed; },
                       std::chrono::duration_cast<std::chrono::milliseconds>(
                           next - std::chrono::steady_clock::now()));
      if (watcher.changed) {
        watcher.changed = false;
        show(false);
      }
    }
    if (!finder.isPoweredOn()) {
      std::fprintf(stderr, "tellwickctl: %s\n", stateProblem(central.state()).c_str());
      return kLowEnergyUnavailable;
    }
  }
  return 0;
}

}  // namespace

LowEnergyParse parseLowEnergyArguments(const std::vector<std::string>& arguments) {
  LowEnergyInvocation invocation;
  std::vector<std::string> words;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "-h" || a == "--help") {
      invocation.action = LowEnergyInvocation::Action::help;
      return {invocation, {}};
    }
    if (a == "--json") {
      invocation.json = true;
    } else if (a == "--once") {
      invocation.once = true;
    } else if (a == "--timeout") {
      if (i + 1 == arguments.size()) return {std::nullopt, "--timeout needs a number of seconds"};
      const std::string& text = arguments[++i];
      double seconds = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
      if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
          seconds <= 0 || seconds > 86400) {
        return {std::nullopt, "--timeout wants seconds between 0 and 86400, not '" + text + "'"};
      }
      invocation.timeout =
          std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
    } else if (a.starts_with("-")) {
      return {std::nullopt, "unknown option '" + a + "'"};
    } else {
      words.push_back(a);
    }
  }
  if (words.empty()) return {invocation, {}};
  if (words[0] != "monitor" && words[0] != "unmonitor") {
    return {std::nullopt, "unknown le command '" + words[0] + "'"};
  }
  if (words.size() != 2) return {std::nullopt, words[0] + " wants one device address"};
  std::string address = words[1];
  for (auto& c : address) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (!isAddress(address)) {
    return {std::nullopt, "'" + words[1] + "' is not a device address like C0:11:22:33:44:55"};
  }
  if (invocation.json || invocation.once) {
    return {std::nullopt, words[0] + " prints nothing; --json and --once do not apply"};
  }
  invocation.action = words[0] == "monitor" ? LowEnergyInvocation::Action::monitor
                                            : LowEnergyInvocation::Action::unmonitor;
  invocation.address = address;
  return {invocation, {}};
}

std::string lowEnergyJsonLine(const LowEnergyDevices& devices, const DeviceCatalogue& catalogue,
                              const os::ResourceBundle& bundle) {
  Json list = Json::array();
  for (const auto& device : devices) {
    Json item = Json::object();
    for (const auto& [key, value] : device->encode()) item[key] = plistScalar(value);
    item["model"] = optionalText(device->model());
    item["hardwareRevision"] = optionalText(device->hardwareRevision());
    item["serialNumber"] = optionalText(device->serialNumber());
    item["softwareRevision"] = optionalText(device->softwareRevision());
    item["firmwareRevision"] = optionalText(device->firmwareRevision());
    item["isConnected"] = device->isConnected();
    item["isDiscovered"] = device->isDiscovered();
    item["kind"] = device->kindDescription(catalogue, bundle);
    item["symbol"] = device->symbolImage(catalogue);
    list.push_back(std::move(item));
  }
  Json root = {{"devices", std::move(list)}};
  return root.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string lowEnergyTable(const LowEnergyDevices& devices, const DeviceCatalogue& catalogue,
                           const os::ResourceBundle& bundle) {
  std::string out = printable("NAME", 24) + " " + printable("KIND", 16) + " " +
                    printable("LEVEL", 5) + " " + printable("MODEL", 16) + " " +
                    printable("HW/FW/SW", 20) + " STATE\n";
  for (const auto& d : devices) {
    std::string level = d->batteryLevel() ? std::to_string(*d->batteryLevel()) + "%" : "-";
    std::string revisions = d->hardwareRevision().value_or("-") + "/" +
                            d->firmwareRevision().value_or("-") + "/" +
                            d->softwareRevision().value_or("-");
    std::string state = d->isConnected()    ? "connected"
                        : d->isDiscovered() ? "discovered"
                                            : "connecting";
    out += printable(d->name(), 24) + " " + printable(d->kindDescription(catalogue, bundle), 16) +
           " " + printable(level, 5) + " " + printable(d->model().value_or("-"), 16) + " " +
           printable(revisions, 20) + " " + state + "\n";
  }
  if (devices.empty()) out += "(no Bluetooth LE devices)\n";
  return out;
}

int runLowEnergy(const std::vector<std::string>& arguments) {
  auto parsed = parseLowEnergyArguments(arguments);
  if (!parsed.invocation) {
    std::fprintf(stderr, "tellwickctl: %s\n%s", parsed.error.c_str(), kUsage);
    return kLowEnergyUsage;
  }
  switch (parsed.invocation->action) {
    case LowEnergyInvocation::Action::help:
      std::fputs(kUsage, stdout);
      return 0;
    case LowEnergyInvocation::Action::monitor:
    case LowEnergyInvocation::Action::unmonitor:
      return editMonitored(*parsed.invocation);
    case LowEnergyInvocation::Action::watch:
      break;
  }
  return watch(*parsed.invocation);
}

}  // namespace tellwick::ctl

namespace tellwick::ctl {

extern const StandaloneCommand kLowEnergy;
const StandaloneCommand kLowEnergy{
    "le", "[--json] [--once] [--timeout SECONDS] | monitor|unmonitor ADDRESS", &runLowEnergy};

}  // namespace tellwick::ctl
