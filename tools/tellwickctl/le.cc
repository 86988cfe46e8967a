#include "tools/tellwickctl/le.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

#include "battery/iokit_controller.h"
#include "battery/manufacturers.h"
#include "os/bluetooth/bluetooth_central.h"
#include "os/clock.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/exit_codes.h"
#include "tools/tellwickctl/table.h"

namespace tellwick::ctl {
namespace {

using Json = nlohmann::ordered_json;
using namespace std::chrono_literals;

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

int editMonitored(Context& context, const LowEnergyInvocation& invocation) {
  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  auto domain = defaults->openSuite(programDefaultsSuite());
  if (!domain) {
    context.err << "tellwickctl: no place to keep settings (set XDG_CONFIG_HOME or HOME)\n";
    return kExitCannotStore;
  }
  LowEnergyPersistency persistency(*domain);
  auto status = invocation.action == LowEnergyInvocation::Action::monitor
                    ? persistency.addMonitoredDevice(invocation.address)
                    : persistency.removeMonitoredDevice(invocation.address);
  if (!status) {
    context.err << "tellwickctl: cannot store the monitored list: " << status.error() << "\n";
    return kExitCannotStore;
  }
  return 0;
}

int watch(Context& context, const LowEnergyInvocation& invocation) {
  auto made = os::newLinuxBluetoothCentral();
  if (!made) {
    context.err << "tellwickctl: " << made.error() << "\n";
    return kExitUnavailable;
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
  // A connected device's HID usage tells a pointing device or a keyboard.
  auto registry = os::newLinuxIoRegistry(Manufacturers::known);
  IOKitController ioKit(*registry);
  LowEnergyFinder finder(central, *clock, persistency, catalogue, bundle, &ioKit);
  Watcher watcher;
  finder.setDelegate(&watcher);

  central.runUntil([&] { return watcher.state.has_value(); }, 5s);
  std::string problem = stateProblem(watcher.state.value_or(central.state()));
  if (!problem.empty()) {
    context.err << "tellwickctl: " << problem << "\n";
    return kExitUnavailable;
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
    std::string text = invocation.json ? lowEnergyJsonLine(finder.devices(), bundle)
                                       : lowEnergyTable(finder.devices(), bundle);
    if (!force && text == last) return;
    last = text;
    if (terminal) context.out << "\033[H\033[2J";
    context.out << text;
    if (!invocation.json && !terminal) context.out << "\n";
    context.out << std::flush;
  };

  while (!gInterrupted) {
    finder.refresh();
    if (invocation.once) {
      central.runUntil([&] { return gInterrupted || central.outstanding() == 0; },
                       std::chrono::duration_cast<std::chrono::milliseconds>(
                           deadline - std::chrono::steady_clock::now()));
      show(true);
      return kExitOk;
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
      context.err << "tellwickctl: " << stateProblem(central.state()) << "\n";
      return kExitUnavailable;
    }
  }
  return kExitOk;
}

}  // namespace

os::Result<LowEnergyInvocation> lowEnergyInvocation(const CommandLine& line) {
  LowEnergyInvocation invocation;
  invocation.json = line.options.json;
  invocation.once = line.options.once;
  invocation.timeout = line.options.timeout;
  const auto& words = line.words;
  if (words.size() == 1) return invocation;
  if (words[1] != "monitor" && words[1] != "unmonitor") return os::failure("unknown le command '" + words[1] + "'");
  if (words.size() != 3) return os::failure(words[1] + " wants one device address");
  std::string address = words[2];
  for (auto& c : address) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (!isAddress(address)) return os::failure("'" + words[2] + "' is not a device address like C0:11:22:33:44:55");
  if (invocation.json || invocation.once) return os::failure(words[1] + " prints nothing; --json and --once do not apply");
  invocation.action = words[1] == "monitor" ? LowEnergyInvocation::Action::monitor
                                            : LowEnergyInvocation::Action::unmonitor;
  invocation.address = address;
  return invocation;
}

std::string lowEnergyJsonLine(const LowEnergyDevices& devices, const os::ResourceBundle& bundle) {
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
    item["kind"] = device->kindDescription(bundle);
    item["symbol"] = device->symbolImage();
    list.push_back(std::move(item));
  }
  return jsonText({{"devices", std::move(list)}}, -1);
}

std::string lowEnergyTable(const LowEnergyDevices& devices, const os::ResourceBundle& bundle) {
  Table table({{"NAME", Align::left, 24},
               {"KIND", Align::left, 16},
               {"LEVEL", Align::right},
               {"MODEL", Align::left, 16},
               {"HW/FW/SW", Align::left, 20},
               {"STATE"}},
              0);
  for (const auto& d : devices) {
    std::string revisions = d->hardwareRevision().value_or("-") + "/" + d->firmwareRevision().value_or("-") + "/" +
                            d->softwareRevision().value_or("-");
    table.add({d->name(), d->kindDescription(bundle), levelText(d->batteryLevel()),
               d->model().value_or("-"), revisions,
               d->isConnected() ? "connected" : d->isDiscovered() ? "discovered" : "connecting"});
  }
  return table.render() + (devices.empty() ? "(no Bluetooth LE devices)\n" : "");
}

int runLowEnergy(Context& context, const CommandLine& line) {
  auto invocation = lowEnergyInvocation(line);
  if (!invocation) return refuse(context, line, invocation.error());
  if (invocation->action == LowEnergyInvocation::Action::watch) return watch(context, *invocation);
  return editMonitored(context, *invocation);
}

}  // namespace tellwick::ctl

namespace tellwick::ctl {

extern const Command kLowEnergy;
const Command kLowEnergy{
    "le", "[--json] [--once] [--timeout SECONDS]\nmonitor|unmonitor ADDRESS",
    "Lists the Bluetooth LE devices that BlueZ reports, with battery level, model and\n"
    "revisions, refreshed every second until interrupted. 'monitor ADDRESS' connects the\n"
    "device as soon as it is seen (kept in ${XDG_CONFIG_HOME:-~/.config}/tellwickctl.plist);\n"
    "'unmonitor ADDRESS' stops doing so. --once prints the list once the first round of\n"
    "reads is in (or --timeout passed).\n",
    kJsonOption | kOnceOption | kTimeoutOption, &runLowEnergy};

}  // namespace tellwick::ctl
