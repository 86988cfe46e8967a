#include "battery/low_energy_finder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "tests/fakes/fake_bluetooth_central.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_io_registry.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/fakes/memory_user_defaults.h"

namespace tellwick {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kA = "A";

Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string join(const auto& items) {
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "" : "; ") + std::string(item);
  return out;
}

class CountingDelegate final : public LowEnergyDelegate {
 public:
  void devicesDidUpdate() override { ++updates; }
  void centralStateDidUpdate(os::CentralState) override {}
  int updates = 0;
};

// restart() builds a new finder and persistency on the same defaults suite, as
// a relaunch would; fresh() also forgets the peripherals and the suite.
class LowEnergyFinderTest : public ::testing::Test {
 public:
  LowEnergyFinderTest() {
    bundle.setString("battery", "UNKNOWN", "Unknown");
    restart();
  }

  void restart() {
    finder.reset();
    persistency.reset();
    domain = defaults.openSuite("tellwick-test");
    persistency = std::make_unique<LowEnergyPersistency>(*domain);
    ioKit = std::make_unique<IOKitController>(*registry);
    finder = std::make_unique<LowEnergyFinder>(central, clock, *persistency, catalogue, bundle,
                                               ioKit.get());
    finder->setDelegate(&delegate);
  }
  void fresh() {
    central.peripherals.clear();
    central.centralState = os::CentralState::poweredOn;
    central.clearCalls();
    delegate.updates = 0;
    defaults.contents("tellwick-test").clear();
    finder.reset();
    registry = std::make_unique<testing::FakeIoRegistry>();
    restart();
  }

  // A peripheral connected at system level offering the battery service, retrieved.
  void retrieve(const std::string& id) {
    auto& p = central.peripheral(id);
    p.name = "Keys-To-Go";
    p.connectedToSystem = true;
    p.offeredServices = {"180F", "180A"};
    finder->retrieveConnectedDevices();
  }
  void bringUp(const std::string& id) {
    retrieve(id);
    central.connected(id);
    central.servicesDiscovered(id, std::vector<std::string>{"180F", "180A"});
  }
  void discover(const std::string& id, bool connectable = true) {
    central.peripheral(id).name = "Pebble";
    central.discover(id, {connectable, std::nullopt, -60});
  }

  // Steps separated by "; ", each a verb and its words: "retrieve A",
  // "up A" (retrieved, connected, battery service found), "discover A" (named,
  // connectable), "unconnectable A" (named, not), "advertise A 4C 00" (unnamed,
  // connectable, with this maker data in hex), "connected A", "failed A",
  // "disconnected A", "services A 180A",
  // "read A 180F 2A19" (characteristics found; none: a failed discovery),
  // "exclude A", "monitor A", "connectDevice", "disconnectDevice" (the first
  // device), "reset", "restart", "off", "clear" (the recorded requests),
  // "tick 5.5" (5.5 s pass), "stale 5.5" (and stale devices go), "level A"
  // (a battery level arrives), "unmodel A" (the model is forgotten), "refresh".
  void run(const std::string& script) {
    std::istringstream steps(script);
    for (std::string step; std::getline(steps >> std::ws, step, ';');) {
      std::istringstream in(step);
      std::string verb, id;
      in >> verb >> id;
      std::vector<std::string> rest(std::istream_iterator<std::string>(in), {});
      if (verb == "retrieve") retrieve(id);
      if (verb == "up") bringUp(id);
      if (verb == "discover") discover(id);
      if (verb == "unconnectable") discover(id, false);
      if (verb == "advertise") {
        Bytes data;
        for (const auto& byte : rest) data.push_back(std::stoi(byte, nullptr, 16));
        central.discover(id, {true, data, -60});
      }
      if (verb == "connected") central.connected(id);
      if (verb == "failed") central.failedToConnect(id);
      if (verb == "disconnected") central.disconnected(id);
      if (verb == "services") central.servicesDiscovered(id, rest);
      if (verb == "read") {
        auto list = rest.size() > 1 ? std::optional(std::vector{rest[1]}) : std::nullopt;
        central.characteristicsDiscovered(id, rest.at(0), list);
      }
      if (verb == "exclude") (void)persistency->addNoBatteryServiceDevice(id);
      if (verb == "monitor") (void)persistency->addMonitoredDevice(id);
      if (verb == "connectDevice") finder->connectDevice(device());
      if (verb == "disconnectDevice") finder->disconnectDevice(device());
      if (verb == "reset") finder->reset();
      if (verb == "restart") restart();
      if (verb == "off") central.centralState = os::CentralState::poweredOff;
      if (verb == "clear") central.clearCalls();
      if (verb == "tick" || verb == "stale") clock.advance(std::stod(id));
      if (verb == "stale") finder->removeStaleDevices();
      if (verb == "level") central.valueUpdated(id, "2A19", Bytes{60});
      if (verb == "unmodel") device().setModel(std::nullopt);
      if (verb == "refresh") finder->refresh();
    }
  }

  std::string ids() const {
    std::vector<std::string> out;
    for (const auto& d : finder->devices()) out.push_back(d->serial());
    return join(out);
  }
  LowEnergyDevice& device() { return *finder->devices().at(0); }

  testing::FakeBluetoothCentral central;
  testing::FakeClock clock;
  testing::MemoryUserDefaults defaults;
  testing::FakeResourceBundle bundle;
  std::unique_ptr<testing::FakeIoRegistry> registry = std::make_unique<testing::FakeIoRegistry>();
  std::unique_ptr<IOKitController> ioKit;
  DeviceCatalogue catalogue = DeviceCatalogue::fromJson(
      R"({"iPhone15,2": {"kind": "phone", "name": "iPhone 14 Pro", "shortName": "14 Pro"}})");
  CountingDelegate delegate;
  std::unique_ptr<os::UserDefaultsDomain> domain;
  std::unique_ptr<LowEnergyPersistency> persistency;
  std::unique_ptr<LowEnergyFinder> finder;
};

// What discovery adds, as "name/maker" ("-": none), and how often it tells.
TEST_F(LowEnergyFinderTest, DiscoveryReportsFollowTheAdmissionRules) {
  const std::pair<const char*, const char*> cases[] = {
      {"discover A", "Pebble/- 1"},
      {"advertise A 4C 00", "/Apple Inc. 1"},
      {"advertise A 34 12", " 0"},  // an unknown company
      {"advertise A 4C", " 0"},     // one byte of data
      {"unconnectable A", " 0"},
      {"exclude A; discover A", " 0"},
      {"connected A; discover A", " 0"},
  };
  for (const auto& [script, added] : cases) {
    SCOPED_TRACE(script);
    fresh();
    run(script);
    std::string got;
    for (const auto& d : finder->devices()) {
      EXPECT_TRUE(d->isDiscovered() && !d->isConnected());
      got += d->name() + "/" + d->manufacturer().value_or("-");
    }
    EXPECT_EQ(got + " " + std::to_string(delegate.updates), added);
  }
}

// One row per transition: devices, connecting and failed peripherals, and
// the requests made, after a script of events and calls (see run()).
TEST_F(LowEnergyFinderTest, PeripheralsMoveThroughTheLifeCycle) {
  struct Case {
    const char *script, *devices, *connecting, *failed, *calls;
  };
  const Case cases[] = {
      {"off; retrieve A", "", "", "", ""},
      {"exclude A; retrieve A", "", "", "", ""},
      {"retrieve A; connected A", "A", "", "", "connect A; services A 180F,180A"},
      {"up A; read A 180F 2A19; read A 180A", "A", "", "",
       "connect A; services A 180F,180A; characteristics A 180F; characteristics A 180A; "
       "read A 180F 2A19"},
      {"retrieve A; connected A; services A 180A", "", "", "",
       "connect A; services A 180F,180A; cancel A"},
      {"retrieve A; connected A; services A 180A; restart; discover A", "", "", "",
       "connect A; services A 180F,180A; cancel A"},
      {"retrieve A; failed A; connectDevice", "A", "", "A", "connect A"},
      {"discover A; connectDevice; failed A; reset; discover A; connectDevice", "A", "A", "",
       "connect A; cancel A; connect A"},
      {"monitor A; discover A", "A", "A", "", "connect A"},
      {"up A; up B; clear; disconnected A", "B", "", "", ""},
      {"up A; clear; disconnectDevice", "", "", "", "cancel A"},
      {"retrieve A; stale 5.5; connected A", "", "A", "", "connect A"},
      {"discover A; stale 5", "A", "", "", ""},
      {"discover A; stale 5.1", "", "", "", ""},
      // A refresh asks for device information only while neither model nor
      // maker is known; a device read within 5 s stays.
      {"up A; clear; tick 4; level A; tick 4; refresh", "A", "", "", "characteristics A 180F"},
      {"up A; unmodel A; clear; refresh", "A", "", "",
       "characteristics A 180F; characteristics A 180A"},
      {"up A; tick 5.5; clear; refresh", "", "", "", "characteristics A 180F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    fresh();
    run(c.script);
    EXPECT_EQ(ids(), c.devices);
    EXPECT_EQ(join(finder->connectingPeripherals()), c.connecting);
    EXPECT_EQ(join(finder->failedDevices()), c.failed);
    EXPECT_EQ(join(central.calls), c.calls);
  }
}

TEST_F(LowEnergyFinderTest, ConnectionReadsTheHidKind) {
  using Row = std::pair<std::int64_t, const char*>;  // usage (-1: none), flags and kind
  for (const auto& [usage, kind] :
       {Row{2, "mouse POINTING_DEVICE"}, Row{6, "keyboard KEYBOARD"}, Row{-1, "Unknown"}}) {
    fresh();
    const auto hid = registry->add("IOHIDUserDevice", {{"PhysicalDeviceUniqueID", kA},
                                                      {"PrimaryUsage", usage},
                                                      {"Manufacturer", "Acme"}});
    if (usage < 0) registry->remove(hid);
    bringUp(kA);
    EXPECT_TRUE(device().isConnected() && !device().isDiscovered());
    const std::string flags = std::string(device().isMouse() ? "mouse " : "") +
                              (device().isKeyboard() ? "keyboard " : "");
    EXPECT_EQ(flags + device().kindDescription(bundle), kind);
  }
  // A phone that reported its model is known by its identifier, not the
  // short name that it now shows.
  central.valueUpdated(kA, "2A24", bytes("iPhone15,2"));
  EXPECT_EQ(device().kindDescription(bundle), "IPHONE");
}

// What each characteristic's value does to the device, as
// name|model|internal name|level|hardware|firmware|software|serial number|maker.
TEST_F(LowEnergyFinderTest, ValuesFillTheDevice) {
  const auto describe = [](const LowEnergyDevice& d) {
    const auto level = d.batteryLevel() ? std::to_string(*d.batteryLevel()) : "-";
    return join(std::vector<std::string>{
        d.name(), d.model().value_or("-"), d.internalName().value_or("-"), level,
        d.hardwareRevision().value_or("-"), d.firmwareRevision().value_or("-"),
        d.softwareRevision().value_or("-"), d.serialNumber().value_or("-"),
        d.manufacturer().value_or("-")});
  };
  struct Case {
    const char* characteristic;
    Bytes value;
    const char* device;
  };
  const Bytes invalid = {0xC3, 0x28};
  const Case cases[] = {
      {"2A19", {0x7F}, "Keys-To-Go; Keys-To-Go; -; 100; -; -; -; -; Before"},
      {"2A19", {}, "Keys-To-Go; Keys-To-Go; -; 0; -; -; -; -; Before"},
      {"2A19", {42, 7}, "Keys-To-Go; Keys-To-Go; -; 42; -; -; -; -; Before"},
      {"2A24", bytes("K380"), "K380; K380; -; -; -; -; -; -; Before"},
      {"2A24", bytes("iPhone15,2"), "14 Pro; 14 Pro; iPhone15,2; -; -; -; -; -; Before"},
      {"2A24", invalid, "Keys-To-Go; Keys-To-Go; -; -; -; -; -; -; Before"},
      {"2A27", bytes("B2"), "Keys-To-Go; Keys-To-Go; -; -; B2; -; -; -; Before"},
      {"2A26", bytes("1.2"), "Keys-To-Go; Keys-To-Go; -; -; -; 1.2; -; -; Before"},
      {"2A25", bytes("SN"), "Keys-To-Go; Keys-To-Go; -; -; -; -; -; SN; Before"},
      {"2A29", bytes("Acme"), "Keys-To-Go; Keys-To-Go; -; -; -; -; -; -; Acme"},
      {"2A29", invalid, "Keys-To-Go; Keys-To-Go; -; -; -; -; -; -; -"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.characteristic);
    fresh();
    bringUp(kA);
    device().setManufacturer("Before");
    central.valueUpdated(kA, c.characteristic, c.value);
    EXPECT_EQ(describe(device()), c.device);
  }
}

// One element that is not text spoils the whole list (a stored list of texts
// is read back by tellwickctl le monitor's test).
TEST_F(LowEnergyFinderTest, APersistedListHoldingANonTextIsEmpty) {
  defaults.contents("tellwick-test").emplace_back("MonitoredDevicesKey",
                                                  os::PlistValue(os::PlistArray{"AA", 3}));
  EXPECT_TRUE(persistency->monitoredDevices().empty());
}

}  // namespace
}  // namespace tellwick
