// The BlueZ central and tellwickctl le on it, against python3-dbusmock's
// bluez5 template on a private bus; and what every BluetoothCentral
// promises, checked on the fake and on BlueZ.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "os/bluetooth/bluetooth_central.h"
#include "tests/fakes/fake_bluetooth_central.h"
#include "tests/support/mock_bluez.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKeyboard = "C0:11:22:33:44:01";

class BluezCentralTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(bus.ready());
  }

  void open() {
    auto made = os::newLinuxBluetoothCentral();
    ASSERT_TRUE(made.ok()) << made.error();
    central = std::move(made.value());
    central->setDelegate(&events);
  }

  bool pump(const std::function<bool()>& done) { return central->runUntil(done, 10s); }

  testing::MockBluez bus{"adapter"};
  testing::CentralEventLog events;
  std::unique_ptr<os::BluetoothCentral> central;
};

TEST_F(BluezCentralTest, ConnectsDiscoversAndReads) {
  ASSERT_TRUE(bus.script(std::string("device ") + kKeyboard +
                         " Keys --battery 70 --info model=K380,hardware=B2"));
  // Another device's characteristics are never listed as the keyboard's.
  ASSERT_TRUE(
      bus.script("device C0:11:22:33:44:02 Other --info firmware=1.2 --connected --resolved"));
  // A refused connection and an unknown address are failure events.
  ASSERT_TRUE(bus.script("device C0:11:22:33:44:03 Refuses"));
  ASSERT_TRUE(bus.script("refuse-connect C0:11:22:33:44:03"));
  open();
  central->connect("C0:11:22:33:44:03");
  central->connect("C0:FF:FF:FF:FF:FF");
  central->connect(kKeyboard);
  ASSERT_TRUE(pump([&] { return events.saw(std::string("connected ") + kKeyboard); }));
  EXPECT_EQ(central->peripheralState(kKeyboard), os::PeripheralState::connected);
  ASSERT_TRUE(pump([&] { return events.saw("failed C0:11:22:33:44:03"); }));
  EXPECT_TRUE(events.saw("failed C0:FF:FF:FF:FF:FF"));
  EXPECT_EQ(central->peripheralState("C0:11:22:33:44:03"), os::PeripheralState::disconnected);

  central->discoverServices(kKeyboard, {"180F", "180A"});
  // Only once BlueZ has resolved them.
  central->runUntil([] { return false; }, 200ms);
  EXPECT_FALSE(events.saw(std::string("services ") + kKeyboard));
  EXPECT_FALSE(central->services(kKeyboard));
  ASSERT_TRUE(bus.script(std::string("resolve ") + kKeyboard));
  ASSERT_TRUE(pump([&] { return events.saw(std::string("services ") + kKeyboard); }));
  EXPECT_EQ(central->services(kKeyboard), (std::vector<std::string>{"180A", "180F"}));

  // Values that are there are read by tellwickctl le below.
  central->discoverCharacteristics(kKeyboard, "180A");
  central->discoverCharacteristics(kKeyboard, "1812");  // not among its services
  central->readValue(kKeyboard, "180A", "2A99");
  const std::string expected[] = {
      std::string("characteristics ") + kKeyboard + " 180A: 2A24 2A27",
      std::string("characteristics ") + kKeyboard + " 1812:",
      std::string("value ") + kKeyboard + " 2A99 -",
  };
  pump([&] { return std::ranges::all_of(expected, [&](auto& line) { return events.saw(line); }); });
  for (const auto& line : expected) EXPECT_TRUE(events.saw(line)) << line;

  ASSERT_TRUE(bus.script(std::string("disconnect ") + kKeyboard));
  EXPECT_TRUE(pump([&] { return events.saw(std::string("disconnected ") + kKeyboard); }));

  // A nameless advertiser's maker data arrives with its company identifier first.
  ASSERT_TRUE(bus.script("device C0:11:22:33:44:04 '' --manufacturer 4c0002"));
  const std::string found = "discovered C0:11:22:33:44:04 " + std::string{'\x4c', '\0', '\x02'};
  EXPECT_TRUE(pump([&] { return events.saw(found); }));
}

// tellwickctl le as a user runs it, with a configuration folder of its own,
// on a laptop whose device tree holds the HID keyboard behind C0:FF:EE:00:00:02.
std::unique_ptr<testing::ChildProcess> tellwickctl(const testing::ScratchDirectory& config,
                                                   std::vector<std::string> arguments) {
  auto environment = testing::environmentSnapshot();
  environment.push_back("XDG_CONFIG_HOME=" + config.string());
  arguments.insert(arguments.begin(),
                   {"/usr/bin/umockdev-run", "--device",
                    std::string(TELLWICK_FIXTURES_DIR) + "/power/two-batteries.umockdev", "--",
                    std::string(TELLWICK_BIN_DIR) + "/tellwickctl", "le"});
  return std::make_unique<testing::ChildProcess>(arguments, environment);
}

// Without BlueZ, and once it goes away while watching, it stops with the
// unavailable status.
TEST_F(BluezCentralTest, TellwickctlLe) {
  testing::ScratchDirectory config;
  const std::vector<std::string> once = {"--once", "--json", "--timeout", "5"};
  bus.stop();
  EXPECT_EQ(tellwickctl(config, once)->wait(10s), 69);
  bus.start("adapter");
  ASSERT_TRUE(bus.script(
      "device C0:FF:EE:00:00:01 Tag --battery 42 --info model=TT-1,hardware=B2 --connected "
      "--resolved"));
  ASSERT_TRUE(bus.script("device C0:FF:EE:00:00:02 Keys --battery 58 --connected --resolved"));
  auto run = tellwickctl(config, once);
  const std::string output = run->drainStdout(10s);
  EXPECT_EQ(run->wait(10s), 0);
  EXPECT_NE(output.find(R"("batteryLevel":42,"name":"TT-1")"), std::string::npos) << output;
  EXPECT_NE(output.find(R"("name":"Keys","serial":"C0:FF:EE:00:00:02")"), std::string::npos);
  EXPECT_NE(output.find(R"("kind":"Keyboard")"), std::string::npos) << output;

  auto watching = tellwickctl(config, {"--json"});
  ASSERT_TRUE(watching->readLine(10s).has_value());
  bus.stop();
  EXPECT_EQ(watching->wait(10s), 69);
}

constexpr const char* kTag = "C0:11:22:33:44:10";

// One world on either implementation: an adapter (on or off) and a tag
// named "Tag" with a battery, connected to the system.
struct FakeWorld {
  os::BluetoothCentral& build(bool powered) {
    central.centralState = powered ? os::CentralState::poweredOn : os::CentralState::poweredOff;
    central.peripheral(kTag) = {"Tag", os::PeripheralState::disconnected, true, {"1800", "180F"},
                                std::nullopt};
    return central;
  }
  testing::FakeBluetoothCentral central;
};

struct BluezWorld {
  os::BluetoothCentral& build(bool powered) {
    EXPECT_TRUE(bus.script(powered ? "adapter" : "adapter --off"));
    EXPECT_TRUE(bus.script(std::string("device ") + kTag + " Tag --battery 50 --connected"));
    auto made = os::newLinuxBluetoothCentral();
    EXPECT_TRUE(made.ok()) << made.error();
    central = std::move(made.value());
    return *central;
  }
  testing::MockBluez bus;
  std::unique_ptr<os::BluetoothCentral> central;
};

template <typename World>
class CentralContract : public ::testing::Test {
 protected:
  World world;
};

using Worlds = ::testing::Types<FakeWorld, BluezWorld>;
TYPED_TEST_SUITE(CentralContract, Worlds);

TYPED_TEST(CentralContract, RetrievalNamesAndStates) {
  auto& central = this->world.build(true);
  EXPECT_EQ(central.state(), os::CentralState::poweredOn);
  EXPECT_EQ(central.retrieveConnectedPeripherals({"180A", "180F"}), std::vector<std::string>{kTag});
  EXPECT_TRUE(central.retrieveConnectedPeripherals({"180A"}).empty());
  EXPECT_EQ(central.name(kTag), "Tag");
  EXPECT_EQ(central.name("C0:00:00:00:00:00"), std::nullopt);
  // Connected to the system is not connected to this central.
  EXPECT_EQ(central.peripheralState(kTag), os::PeripheralState::disconnected);
  EXPECT_EQ(central.peripheralState("C0:00:00:00:00:00"), os::PeripheralState::disconnected);
  EXPECT_EQ(central.services(kTag), std::nullopt);
}

TYPED_TEST(CentralContract, RequestsAnswerOnlyThroughTheLoop) {
  auto& central = this->world.build(true);
  testing::CentralEventLog events;
  central.runUntil([] { return false; }, 100ms);
  central.setDelegate(&events);
  central.connect(kTag);
  central.discoverServices(kTag, {"180F"});
  central.discoverCharacteristics(kTag, "180F");
  central.readValue(kTag, "180F", "2A19");
  EXPECT_TRUE(events.log.empty());
  EXPECT_EQ(central.peripheralState(kTag), os::PeripheralState::connecting);
  central.cancelConnection(kTag);
  EXPECT_EQ(central.peripheralState(kTag), os::PeripheralState::disconnected);
  central.setDelegate(nullptr);
}

TYPED_TEST(CentralContract, NothingIsRetrievedWhilePoweredOff) {
  auto& central = this->world.build(false);
  EXPECT_EQ(central.state(), os::CentralState::poweredOff);
  EXPECT_TRUE(central.retrieveConnectedPeripherals({"180F"}).empty());
}

}  // namespace
}  // namespace tellwick
