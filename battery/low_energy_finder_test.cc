#include "battery/low_energy_finder.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "tests/fakes/fake_bluetooth_central.h"
#include "tests/fakes/fake_clock.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/fakes/memory_user_defaults.h"

namespace tellwick {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kA = "AA:BB:CC:DD:EE:01";
constexpr const char* kB = "AA:BB:CC:DD:EE:02";

class CountingDelegate final : public LowEnergyDelegate {
 public:
  void devicesDidUpdate() override { ++updates; }
  void centralStateDidUpdate(os::CentralState state) override { states.push_back(state); }
  int updates = 0;
  std::vector<os::CentralState> states;
};

class FakeHid final : public HidUsageLookup {
 public:
  std::optional<std::int64_t> primaryUsageForIdentifier(const std::string& id) override {
    auto it = usages.find(id);
    return it == usages.end() ? std::nullopt : std::optional(it->second);
  }
  std::map<std::string, std::int64_t> usages;
};

os::AdvertisementData connectable(std::optional<Bytes> manufacturer = std::nullopt) {
  return {true, std::move(manufacturer), -60};
}

// A fresh finder over one defaults suite; restart() builds a new finder and
// persistency on the same suite, as a relaunch would.
class LowEnergyFinderTest : public ::testing::Test {
 public:
  LowEnergyFinderTest() {
    bundle.setString("battery", "UNKNOWN", "Unknown");
    bundle.setString("battery", "IPHONE", "Phone");
    restart();
  }

  void restart() {
    finder.reset();
    persistency.reset();
    domain = defaults.openSuite("tellwick-test");
    persistency = std::make_unique<LowEnergyPersistency>(*domain);
    finder =
        std::make_unique<LowEnergyFinder>(central, clock, *persistency, catalogue, bundle, &hid);
    finder->setDelegate(&delegate);
  }

  // A peripheral connected at system level, offering the battery service.
  void systemConnected(const std::string& id, const char* name = "Keys-To-Go") {
    auto& p = central.peripheral(id);
    p.name = name;
    p.connectedToSystem = true;
    p.offeredServices = {"180F", "180A"};
  }

  // Retrieval, connection and service discovery with the battery service.
  void bringUp(const std::string& id) {
    systemConnected(id);
    finder->retrieveConnectedDevices();
    central.connected(id);
    central.servicesDiscovered(id, std::vector<std::string>{"180F", "180A"});
  }

  std::vector<std::string> ids() const {
    std::vector<std::string> out;
    for (const auto& d : finder->devices()) out.push_back(d->serial());
    return out;
  }
  LowEnergyDevice& device(std::size_t i = 0) { return *finder->devices().at(i); }

  testing::FakeBluetoothCentral central;
  testing::FakeClock clock;
  testing::MemoryUserDefaults defaults;
  testing::FakeResourceBundle bundle;
  FakeHid hid;
  DeviceCatalogue catalogue = DeviceCatalogue::fromJson(
      R"({"iPhone15,2": {"kind": "phone", "name": "iPhone 14 Pro", "shortName": "14 Pro"}})");
  CountingDelegate delegate;
  std::unique_ptr<os::UserDefaultsDomain> domain;
  std::unique_ptr<LowEnergyPersistency> persistency;
  std::unique_ptr<LowEnergyFinder> finder;
};

// Discovery reports: which peripherals become discovered devices.
TEST_F(LowEnergyFinderTest, DiscoveryReportsFollowTheAdmissionRules) {
  struct Case {
    const char* what;
    std::optional<std::string> name;
    os::AdvertisementData advertisement;
    std::function<void(LowEnergyFinderTest&)> before;
    bool added;
    std::optional<std::string> manufacturer;
  };
  const Case cases[] = {
      {"named and connectable", "Pebble", connectable(), {}, true, std::nullopt},
      {"unnamed with Apple data",
       std::nullopt,
       connectable(Bytes{0x4C, 0x00, 0x10}),
       {},
       true,
       "Apple Inc."},
      {"unnamed, unknown company", std::nullopt, connectable(Bytes{0x34, 0x12}), {}, false, {}},
      {"unnamed, one byte of data", std::nullopt, connectable(Bytes{0x4C}), {}, false, {}},
      {"unnamed, no data", std::nullopt, connectable(), {}, false, {}},
      {"not connectable", "Pebble", {false, std::nullopt, -60}, {}, false, {}},
      {"connectable unknown", "Pebble", {std::nullopt, std::nullopt, -60}, {}, false, {}},
      {"excluded",
       "Pebble",
       connectable(),
       [](auto& t) { (void)t.persistency->addNoBatteryServiceDevice(kA); },
       false,
       {}},
      {"already connected",
       "Pebble",
       connectable(),
       [](auto& t) { t.central.peripheral(kA).state = os::PeripheralState::connected; },
       false,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    central.peripherals.clear();
    defaults.contents("tellwick-test").clear();
    restart();
    central.peripheral(kA).name = c.name;
    if (c.before) c.before(*this);
    delegate.updates = 0;
    central.discover(kA, c.advertisement);
    ASSERT_EQ(finder->devices().size(), c.added ? 1u : 0u);
    EXPECT_EQ(delegate.updates, c.added ? 1 : 0);
    if (!c.added) continue;
    EXPECT_TRUE(device().isDiscovered());
    EXPECT_FALSE(device().isConnected());
    EXPECT_EQ(device().name(), c.name.value_or(""));
    EXPECT_EQ(device().manufacturer(), c.manufacturer);
    EXPECT_TRUE(central.calls.empty());
  }
}

// The life-cycle table, one row per transition, each a short event script.
TEST_F(LowEnergyFinderTest, PeripheralsMoveThroughTheLifeCycle) {
  struct Case {
    const char* what;
    std::function<void(LowEnergyFinderTest&)> script;
    std::vector<std::string> devices;
    std::vector<std::string> connecting;
    std::set<std::string> failed;
    std::vector<std::string> calls;  // since the script began
  };
  const Case cases[] = {
      {"retrieval connects",
       [](auto& t) {
         t.systemConnected(kA);
         t.finder->retrieveConnectedDevices();
       },
       {kA},
       {kA},
       {},
       {std::string("connect ") + kA}},
      {"retrieval twice adds once",
       [](auto& t) {
         t.systemConnected(kA);
         t.finder->retrieveConnectedDevices();
         t.finder->retrieveConnectedDevices();
       },
       {kA},
       {kA},
       {},
       {std::string("connect ") + kA}},
      {"retrieval stops when not powered on",
       [](auto& t) {
         t.systemConnected(kA);
         t.central.centralState = os::CentralState::poweredOff;
         t.finder->retrieveConnectedDevices();
       },
       {},
       {},
       {},
       {}},
      {"retrieval skips excluded peripherals",
       [](auto& t) {
         t.systemConnected(kA);
         (void)t.persistency->addNoBatteryServiceDevice(kA);
         t.finder->retrieveConnectedDevices();
       },
       {},
       {},
       {},
       {}},
      {"connected discovers services",
       [](auto& t) {
         t.systemConnected(kA);
         t.finder->retrieveConnectedDevices();
         t.central.connected(kA);
       },
       {kA},
       {},
       {},
       {std::string("connect ") + kA, std::string("services ") + kA + " 180F,180A"}},
      {"battery service discovers every service's characteristics",
       [](auto& t) { t.bringUp(kA); },
       {kA},
       {},
       {},
       {std::string("connect ") + kA, std::string("services ") + kA + " 180F,180A",
        std::string("characteristics ") + kA + " 180F",
        std::string("characteristics ") + kA + " 180A"}},
      {"no battery service excludes, cancels and removes",
       [](auto& t) {
         t.systemConnected(kA);
         t.finder->retrieveConnectedDevices();
         t.central.connected(kA);
         t.central.servicesDiscovered(kA, std::vector<std::string>{"180A"});
       },
       {},
       {},
       {},
       {std::string("connect ") + kA, std::string("services ") + kA + " 180F,180A",
        std::string("cancel ") + kA}},
      {"connection failure marks failed and keeps the device",
       [](auto& t) {
         t.systemConnected(kA);
         t.finder->retrieveConnectedDevices();
         t.central.failedToConnect(kA);
         t.finder->connectDevice(t.device());
       },
       {kA},
       {},
       {kA},
       {std::string("connect ") + kA}},
      {"reset clears failures so connectDevice works again",
       [](auto& t) {
         t.central.peripheral(kA).name = "Pebble";
         t.central.discover(kA, connectable());
         t.finder->connectDevice(t.device());
         t.central.failedToConnect(kA);
         t.finder->reset();
         t.central.discover(kA, connectable());
         t.finder->connectDevice(t.device());
       },
       {kA},
       {kA},
       {},
       {std::string("connect ") + kA, std::string("cancel ") + kA, std::string("connect ") + kA}},
      {"monitored discovery connects at once",
       [](auto& t) {
         (void)t.persistency->addMonitoredDevice(kA);
         t.central.peripheral(kA).name = "Pebble";
         t.central.discover(kA, connectable());
       },
       {kA},
       {kA},
       {},
       {std::string("connect ") + kA}},
      {"disconnection removes the first device",
       [](auto& t) {
         t.bringUp(kA);
         t.bringUp(kB);
         t.central.clearCalls();
         t.central.disconnected(kA);
       },
       {kB},
       {},
       {},
       {}},
      {"disconnectDevice cancels and removes",
       [](auto& t) {
         t.bringUp(kA);
         t.central.clearCalls();
         t.finder->disconnectDevice(t.device());
       },
       {},
       {},
       {},
       {std::string("cancel ") + kA}},
      {"connected event for an unknown peripheral keeps it connecting",
       [](auto& t) {
         t.systemConnected(kA);
         t.finder->retrieveConnectedDevices();
         t.clock.advance(5.5);
         t.finder->removeStaleDevices();
         t.central.connected(kA);
       },
       {},
       {kA},
       {},
       {std::string("connect ") + kA}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    central.peripherals.clear();
    central.centralState = os::CentralState::poweredOn;
    central.clearCalls();
    defaults.contents("tellwick-test").clear();
    restart();
    c.script(*this);
    EXPECT_EQ(ids(), c.devices);
    EXPECT_EQ(finder->connectingPeripherals(), c.connecting);
    EXPECT_EQ(finder->failedDevices(), c.failed);
    EXPECT_EQ(central.calls, c.calls);
  }
}

TEST_F(LowEnergyFinderTest, ExclusionSurvivesARestart) {
  systemConnected(kA);
  finder->retrieveConnectedDevices();
  central.connected(kA);
  central.servicesDiscovered(kA, std::vector<std::string>{"180A"});
  restart();
  central.peripheral(kA).state = os::PeripheralState::disconnected;
  central.discover(kA, connectable());
  EXPECT_TRUE(finder->devices().empty());
  EXPECT_EQ(persistency->noBatteryServiceDevices(), std::vector<std::string>{kA});
}

TEST_F(LowEnergyFinderTest, ConnectionReadsTheHidKind) {
  struct Case {
    std::optional<std::int64_t> usage;
    bool mouse, keyboard;
    const char* kind;
  };
  const Case cases[] = {{2, true, false, "POINTING_DEVICE"},
                        {6, false, true, "KEYBOARD"},
                        {1, false, false, "UNKNOWN"},
                        {std::nullopt, false, false, "UNKNOWN"}};
  for (const auto& c : cases) {
    central.peripherals.clear();
    hid.usages.clear();
    if (c.usage) hid.usages[kA] = *c.usage;
    restart();
    bringUp(kA);
    EXPECT_EQ(device().isMouse(), c.mouse);
    EXPECT_EQ(device().isKeyboard(), c.keyboard);
    EXPECT_EQ(device().kindDescription(catalogue, bundle),
              bundle.localizedString("battery", c.kind).value_or(c.kind));
  }
}

// What each characteristic's value does to the device.
TEST_F(LowEnergyFinderTest, ValuesFillTheDevice) {
  using Check = std::function<void(const LowEnergyDevice&)>;
  struct Case {
    const char* characteristic;
    Bytes value;
    Check check;
  };
  const Bytes invalid = {0xC3, 0x28};
  const Case cases[] = {
      {"2A19", {0x7F}, [](auto& d) { EXPECT_EQ(d.batteryLevel(), 100); }},
      {"2A19", {0x00}, [](auto& d) { EXPECT_EQ(d.batteryLevel(), 0); }},
      {"2A19", {}, [](auto& d) { EXPECT_EQ(d.batteryLevel(), 0); }},
      {"2A19", {42, 7}, [](auto& d) { EXPECT_EQ(d.batteryLevel(), 42); }},
      {"2A24",
       {'K', '3', '8', '0'},
       [](auto& d) {
         EXPECT_EQ(d.name(), "K380");
         EXPECT_EQ(d.model(), "K380");
         EXPECT_FALSE(d.internalName());
       }},
      {"2A24",
       {'i', 'P', 'h', 'o', 'n', 'e', '1', '5', ',', '2'},
       [](auto& d) {
         EXPECT_EQ(d.name(), "14 Pro");
         EXPECT_EQ(d.model(), "14 Pro");
         EXPECT_EQ(d.internalName(), "iPhone15,2");
       }},
      {"2A24", invalid,
       [](auto& d) {
         EXPECT_EQ(d.name(), "Keys-To-Go");
         EXPECT_EQ(d.model(), "Keys-To-Go");
       }},
      {"2A27", {'B', '2'}, [](auto& d) { EXPECT_EQ(d.hardwareRevision(), "B2"); }},
      {"2A26", {'1', '.', '2'}, [](auto& d) { EXPECT_EQ(d.firmwareRevision(), "1.2"); }},
      {"2A28", {'3'}, [](auto& d) { EXPECT_EQ(d.softwareRevision(), "3"); }},
      {"2A25",
       {'S', 'N'},
       [](auto& d) {
         EXPECT_EQ(d.serialNumber(), "SN");
         EXPECT_EQ(d.serial(), kA);
       }},
      {"2A29", {'A', 'c', 'm', 'e'}, [](auto& d) { EXPECT_EQ(d.manufacturer(), "Acme"); }},
      {"2A29", invalid, [](auto& d) { EXPECT_FALSE(d.manufacturer()); }},
      {"2A00",
       {'x'},
       [](auto& d) {
         EXPECT_FALSE(d.batteryLevel());
         EXPECT_EQ(d.name(), "Keys-To-Go");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.characteristic);
    central.peripherals.clear();
    restart();
    bringUp(kA);
    device().setManufacturer("Before");
    clock.advance(3);
    central.valueUpdated(kA, c.characteristic, c.value);
    c.check(device());
    EXPECT_EQ(device().lastUpdate(), clock.now());
  }
}

TEST_F(LowEnergyFinderTest, ValueWithoutDataOrDeviceChangesNothing) {
  bringUp(kA);
  clock.advance(2);
  central.valueUpdated(kA, "2A19", std::nullopt);
  central.valueUpdated(kB, "2A19", Bytes{50});
  EXPECT_FALSE(device().batteryLevel());
  EXPECT_LT(device().lastUpdate(), clock.now());
}

// Time: the 5 s staleness and the one-per-second value notifications.
TEST_F(LowEnergyFinderTest, StaleDevicesGoAfterMoreThanFiveSeconds) {
  struct Case {
    double age;
    bool kept;
  };
  for (const Case c : {Case{5.0, true}, Case{5.1, false}, Case{0.0, true}}) {
    central.peripherals.clear();
    restart();
    central.peripheral(kA).name = "Pebble";
    central.discover(kA, connectable());
    clock.advance(c.age);
    delegate.updates = 0;
    finder->removeStaleDevices();
    EXPECT_EQ(finder->devices().size(), c.kept ? 1u : 0u) << c.age;
    EXPECT_EQ(delegate.updates, 1);
  }
}

TEST_F(LowEnergyFinderTest, ValueNotificationsComeAtMostOncePerSecond) {
  bringUp(kA);
  struct Step {
    double advance;
    bool notifies;
  };
  const Step steps[] = {{1.5, true},  {0.4, false}, {0.6, false},
                        {0.01, true}, {1.0, false}, {0.2, true}};
  for (const auto& s : steps) {
    clock.advance(s.advance);
    delegate.updates = 0;
    central.valueUpdated(kA, "2A00", Bytes{1});
    EXPECT_EQ(delegate.updates, s.notifies ? 1 : 0) << "after " << s.advance;
  }
}

TEST_F(LowEnergyFinderTest, RefreshReadsConnectedBatteriesAndKeepsThemFresh) {
  bringUp(kA);
  central.clearCalls();
  for (int second = 0; second < 8; ++second) {
    clock.advance(1);
    finder->refresh();
    central.valueUpdated(kA, "2A19", Bytes{60});
  }
  EXPECT_EQ(ids(), std::vector<std::string>{kA});
  EXPECT_EQ(central.count(std::string("characteristics ") + kA + " 180F"), 8);
  // Model is known, so device information is not asked again.
  EXPECT_EQ(central.count(std::string("characteristics ") + kA + " 180A"), 0);
  clock.advance(5.5);
  finder->refresh();
  EXPECT_TRUE(finder->devices().empty());
}

TEST_F(LowEnergyFinderTest, StateChangesArePassedOn) {
  central.setState(os::CentralState::poweredOff);
  central.setState(os::CentralState::poweredOn);
  EXPECT_EQ(delegate.states,
            (std::vector{os::CentralState::poweredOff, os::CentralState::poweredOn}));
  EXPECT_TRUE(finder->isPoweredOn());
}

// Stored lists: what reads as a list, and that changes reach the domain.
TEST_F(LowEnergyFinderTest, PersistedListsReadOnlyListsOfTexts) {
  struct Case {
    const char* what;
    std::optional<os::PlistValue> stored;
    std::vector<std::string> read;
  };
  const Case cases[] = {
      {"missing", std::nullopt, {}},
      {"not a list", os::PlistValue("AA"), {}},
      {"a list with a number", os::PlistValue(os::PlistArray{"AA", 3}), {}},
      {"texts", os::PlistValue(os::PlistArray{"AA", "BB"}), {"AA", "BB"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    defaults.contents("tellwick-test").clear();
    if (c.stored) defaults.contents("tellwick-test").emplace_back("MonitoredDevicesKey", *c.stored);
    restart();
    EXPECT_EQ(persistency->monitoredDevices(), c.read);
  }
}

TEST_F(LowEnergyFinderTest, MonitoredListEditsReadTheStoreAfresh) {
  ASSERT_TRUE(persistency->addMonitoredDevice("AA").ok());
  // Another process adds one behind this one's back.
  LowEnergyPersistency other(*domain);
  ASSERT_TRUE(other.addMonitoredDevice("BB").ok());
  ASSERT_TRUE(persistency->addMonitoredDevice("AA").ok());
  EXPECT_EQ(persistency->monitoredDevices(), (std::vector<std::string>{"AA", "BB"}));
  ASSERT_TRUE(persistency->removeMonitoredDevice("AA").ok());
  EXPECT_FALSE(persistency->isMonitored("AA"));
  EXPECT_TRUE(persistency->isMonitored("BB"));
  EXPECT_FALSE(persistency->isMonitored(std::nullopt));
  defaults.failWrites = true;
  EXPECT_FALSE(persistency->addMonitoredDevice("CC").ok());
  EXPECT_TRUE(persistency->isMonitored("CC"));
}

}  // namespace
}  // namespace tellwick
