// The BlueZ central and the LE finder on it, against python3-dbusmock's
// bluez5 template on a private bus.
#include <gtest/gtest.h>

#include <chrono>

#include "battery/low_energy_finder.h"
#include "os/bluetooth_central.h"
#include "os/clock.h"
#include "tests/bluez_le_bus.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tests/fakes/memory_user_defaults.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKeyboard = "C0:11:22:33:44:01";
constexpr const char* kSensor = "C0:11:22:33:44:02";

class Events final : public os::BluetoothCentralDelegate {
 public:
  void centralDidUpdateState(os::CentralState s) override { states.push_back(s); }
  void didDiscoverPeripheral(const std::string& p, const os::AdvertisementData& a) override {
    log.push_back("discovered " + p);
    advertisement = a;
  }
  void didConnectPeripheral(const std::string& p) override { log.push_back("connected " + p); }
  void didFailToConnectPeripheral(const std::string& p, const std::string&) override {
    log.push_back("failed " + p);
  }
  void didDisconnectPeripheral(const std::string& p) override {
    log.push_back("disconnected " + p);
  }
  void didDiscoverServices(const std::string& p) override { log.push_back("services " + p); }
  void didDiscoverCharacteristics(const std::string& p, const std::string& s,
                                  const std::optional<std::vector<std::string>>& list) override {
    std::string text = "characteristics " + p + " " + s + ":";
    for (const auto& c : list.value_or(std::vector<std::string>{})) text += " " + c;
    log.push_back(text);
  }
  void didUpdateValue(const std::string& p, const std::string& c,
                      const std::optional<std::vector<std::uint8_t>>& v) override {
    log.push_back("value " + p + " " + c + " " + (v ? std::string(v->begin(), v->end()) : "-"));
  }
  bool saw(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  std::vector<os::CentralState> states;
  std::vector<std::string> log;
  std::optional<os::AdvertisementData> advertisement;
};

class BluezCentralTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(bus.ready());
    bus.startBluez();
  }

  void open() {
    auto made = os::newLinuxBluetoothCentral();
    ASSERT_TRUE(made.ok()) << made.error();
    central = std::move(made.value());
    central->setDelegate(&events);
  }

  bool pump(const std::function<bool()>& done) { return central->runUntil(done, 10s); }

  void startFinder() {
    finder.reset();
    persistency.reset();
    domain = defaults.openSuite("tellwick-test");
    persistency = std::make_unique<LowEnergyPersistency>(*domain);
    finder = std::make_unique<LowEnergyFinder>(*central, *clock, *persistency, catalogue, bundle);
  }

  const LowEnergyDevice* findDevice(const std::string& id) const {
    for (const auto& d : finder->devices()) {
      if (d->serial() == id) return d.get();
    }
    return nullptr;
  }

  testing::BluezLeBus bus;
  Events events;
  std::unique_ptr<os::BluetoothCentral> central;
  std::unique_ptr<os::Clock> clock = os::newLinuxClock();
  testing::MemoryUserDefaults defaults;
  testing::FakeResourceBundle bundle;
  DeviceCatalogue catalogue;
  std::unique_ptr<os::UserDefaultsDomain> domain;
  std::unique_ptr<LowEnergyPersistency> persistency;
  std::unique_ptr<LowEnergyFinder> finder;
};

TEST_F(BluezCentralTest, StateFollowsTheAdapter) {
  struct Case {
    const char* setup;
    os::CentralState state;
  };
  const Case cases[] = {{"adapter", os::CentralState::poweredOn},
                        {"adapter --off", os::CentralState::poweredOff},
                        {nullptr, os::CentralState::unsupported}};
  for (const auto& c : cases) {
    bus.stopBluez();
    if (c.setup) {
      bus.startBluez();
      ASSERT_TRUE(bus.script(c.setup));
    }
    events.states.clear();
    open();
    EXPECT_TRUE(pump([&] { return !events.states.empty(); }));
    EXPECT_EQ(events.states, std::vector{c.state}) << (c.setup ? c.setup : "no BlueZ");
    EXPECT_EQ(central->state(), c.state);
  }
}

TEST_F(BluezCentralTest, RetrievesConnectedDevicesWithBatteryOrInformation) {
  ASSERT_TRUE(bus.script("adapter"));
  ASSERT_TRUE(bus.script(std::string("device ") + kKeyboard + " Keys --battery 70 --connected"));
  ASSERT_TRUE(bus.script(std::string("device ") + kSensor + " Sensor --info model=S1 --connected"));
  ASSERT_TRUE(bus.script("device C0:11:22:33:44:03 Plain --connected"));
  ASSERT_TRUE(bus.script("device C0:11:22:33:44:04 Away --battery 10"));
  open();
  EXPECT_EQ(central->retrieveConnectedPeripherals({"180F", "180A"}),
            (std::vector<std::string>{kKeyboard, kSensor}));
  EXPECT_EQ(central->retrieveConnectedPeripherals({"180F"}), std::vector<std::string>{kKeyboard});
  EXPECT_EQ(central->name(kKeyboard), "Keys");
  EXPECT_EQ(central->peripheralState(kKeyboard), os::PeripheralState::disconnected);
}

TEST_F(BluezCentralTest, ConnectsDiscoversAndReads) {
  ASSERT_TRUE(bus.script("adapter"));
  ASSERT_TRUE(bus.script(std::string("device ") + kKeyboard +
                         " Keys --battery 70 --info model=K380,hardware=B2"));
  open();
  central->connect(kKeyboard);
  EXPECT_EQ(central->peripheralState(kKeyboard), os::PeripheralState::connecting);
  ASSERT_TRUE(pump([&] { return events.saw(std::string("connected ") + kKeyboard); }));
  EXPECT_EQ(central->peripheralState(kKeyboard), os::PeripheralState::connected);

  central->discoverServices(kKeyboard, {"180F", "180A"});
  // Only once BlueZ has resolved them.
  central->runUntil([] { return false; }, 200ms);
  EXPECT_FALSE(events.saw(std::string("services ") + kKeyboard));
  EXPECT_FALSE(central->services(kKeyboard));
  ASSERT_TRUE(bus.script(std::string("resolve ") + kKeyboard));
  ASSERT_TRUE(pump([&] { return events.saw(std::string("services ") + kKeyboard); }));
  EXPECT_EQ(central->services(kKeyboard), (std::vector<std::string>{"180A", "180F"}));

  central->discoverCharacteristics(kKeyboard, "180A");
  central->discoverCharacteristics(kKeyboard, "180F");
  central->readValue(kKeyboard, "180A", "2A24");
  central->readValue(kKeyboard, "180F", "2A19");
  central->readValue(kKeyboard, "180A", "2A99");
  const std::string expected[] = {
      std::string("characteristics ") + kKeyboard + " 180A: 2A24 2A27",
      std::string("characteristics ") + kKeyboard + " 180F: 2A19",
      std::string("value ") + kKeyboard + " 2A24 K380",
      std::string("value ") + kKeyboard + " 2A19 " + std::string(1, char(70)),
      std::string("value ") + kKeyboard + " 2A99 -",
  };
  ASSERT_TRUE(pump([&] { return events.saw(expected[2]); }));
  for (const auto& line : expected) EXPECT_TRUE(events.saw(line)) << line;
}

TEST_F(BluezCentralTest, RefusedConnectionIsAFailureEvent) {
  ASSERT_TRUE(bus.script("adapter"));
  ASSERT_TRUE(bus.script(std::string("device ") + kKeyboard + " Keys --battery 70"));
  ASSERT_TRUE(bus.script(std::string("refuse-connect ") + kKeyboard));
  open();
  central->connect(kKeyboard);
  central->connect("C0:FF:FF:FF:FF:FF");
  ASSERT_TRUE(pump([&] { return events.saw(std::string("failed ") + kKeyboard); }));
  EXPECT_TRUE(events.saw("failed C0:FF:FF:FF:FF:FF"));
  EXPECT_EQ(central->peripheralState(kKeyboard), os::PeripheralState::disconnected);
}

TEST_F(BluezCentralTest, FinderListsAConnectedDeviceWithItsBatteryAndInformation) {
  ASSERT_TRUE(bus.script("adapter"));
  ASSERT_TRUE(bus.script(std::string("device ") + kKeyboard +
                         " Keys --battery 64 --info model=K380,firmware=1.2,maker=Acme"
                         " --connected --resolved"));
  open();
  startFinder();
  finder->refresh();
  ASSERT_TRUE(pump([&] {
    const auto* d = findDevice(kKeyboard);
    return d && d->batteryLevel() && d->firmwareRevision() && d->manufacturer();
  }));
  const auto* device = findDevice(kKeyboard);
  EXPECT_EQ(device->batteryLevel(), 64);
  EXPECT_EQ(device->model(), "K380");
  EXPECT_EQ(device->manufacturer(), "Acme");
  EXPECT_TRUE(device->isConnected());

  // Disconnection removes it.
  ASSERT_TRUE(bus.script(std::string("disconnect ") + kKeyboard));
  ASSERT_TRUE(pump([&] { return findDevice(kKeyboard) == nullptr; }));
}

TEST_F(BluezCentralTest, DeviceWithoutBatteryServiceStaysExcludedAfterARestart) {
  ASSERT_TRUE(bus.script("adapter"));
  ASSERT_TRUE(bus.script(std::string("device ") + kSensor +
                         " Sensor --info model=S1 --connected --resolved"));
  open();
  startFinder();
  finder->refresh();
  ASSERT_TRUE(pump([&] { return persistency->isExcluded(kSensor); }));
  EXPECT_EQ(findDevice(kSensor), nullptr);

  startFinder();
  finder->refresh();
  ASSERT_TRUE(bus.script(std::string("advertise ") + kSensor + " 4c0001"));
  // Nameless: its appearance alone is not enough, its Apple data is.
  ASSERT_TRUE(bus.script(std::string("device ") + kKeyboard + " '' --manufacturer 4c0002"));
  ASSERT_TRUE(pump([&] { return findDevice(kKeyboard) != nullptr; }));
  EXPECT_EQ(findDevice(kSensor), nullptr);
  EXPECT_TRUE(findDevice(kKeyboard)->isDiscovered());
  EXPECT_EQ(findDevice(kKeyboard)->manufacturer(), "Apple Inc.");
}

TEST_F(BluezCentralTest, BluezGoingAwayDropsDevicesAndState) {
  ASSERT_TRUE(bus.script("adapter"));
  ASSERT_TRUE(
      bus.script(std::string("device ") + kKeyboard + " Keys --battery 50 --connected --resolved"));
  open();
  startFinder();
  finder->refresh();
  ASSERT_TRUE(pump([&] { return findDevice(kKeyboard) && findDevice(kKeyboard)->batteryLevel(); }));
  bus.stopBluez();
  ASSERT_TRUE(pump([&] { return central->state() == os::CentralState::unsupported; }));
  ASSERT_TRUE(pump([&] { return finder->devices().empty(); }));
  EXPECT_TRUE(central->retrieveConnectedPeripherals({"180F"}).empty());
}

}  // namespace
}  // namespace tellwick

namespace tellwick {
namespace {

// tellwickctl le as a user runs it.
TEST_F(BluezCentralTest, TellwickctlLeOnce) {
  struct Case {
    const char* setup;
    int status;
    const char* output;
  };
  const Case cases[] = {
      {nullptr, 69, ""},
      {"adapter --off", 69, ""},
      {"adapter", 0, R"({"devices":[]})"},
      {"device C0:FF:EE:00:00:01 Tag --battery 42 --info model=TT-1,hardware=B2 --connected "
       "--resolved",
       0, R"("batteryLevel":42,"name":"TT-1")"},
  };
  testing::ScratchDirectory config;
  for (const auto& c : cases) {
    if (c.setup == nullptr) {
      bus.stopBluez();
    } else if (std::string(c.setup).starts_with("adapter")) {
      bus.stopBluez();
      bus.startBluez();
    }
    if (c.setup) {
      ASSERT_TRUE(bus.script(c.setup));
    }
    std::string command = "XDG_CONFIG_HOME=" + config.string() + " " + TELLWICK_BIN_DIR +
                          "/tellwickctl le --once --json --timeout 5 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), c.status) << (c.setup ? c.setup : "no BlueZ");
    EXPECT_NE(output.find(c.output), std::string::npos) << output;
  }
}

}  // namespace
}  // namespace tellwick
