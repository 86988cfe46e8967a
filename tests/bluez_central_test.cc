// The BlueZ central and tellwickctl le on it, against python3-dbusmock's
// bluez5 template on a private bus.
#include <gtest/gtest.h>

#include <chrono>

#include "os/bluetooth_central.h"
#include "tests/bluez_le_bus.h"
#include "tests/support/scratch_directory.h"

namespace tellwick {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKeyboard = "C0:11:22:33:44:01";

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

  testing::BluezLeBus bus;
  testing::CentralEventLog events;
  std::unique_ptr<os::BluetoothCentral> central;
};

TEST_F(BluezCentralTest, ConnectsDiscoversAndReads) {
  ASSERT_TRUE(bus.script("adapter"));
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
  EXPECT_EQ(central->peripheralState(kKeyboard), os::PeripheralState::connecting);
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

  ASSERT_TRUE(bus.script(std::string("disconnect ") + kKeyboard));
  EXPECT_TRUE(pump([&] { return events.saw(std::string("disconnected ") + kKeyboard); }));
}

// A nameless advertiser's maker data arrives with its company identifier first.
TEST_F(BluezCentralTest, AdvertisedMakerDataArrivesWhole) {
  ASSERT_TRUE(bus.script("adapter"));
  open();
  ASSERT_TRUE(bus.script(std::string("device ") + kKeyboard + " '' --manufacturer 4c0002"));
  EXPECT_TRUE(pump([&] { return events.saw(std::string("discovered ") + kKeyboard + " 4c0002"); }));
}

// tellwickctl le as a user runs it.
TEST_F(BluezCentralTest, TellwickctlLeOnce) {
  struct Case {
    const char* setup;
    int status;
    const char* output;
  };
  const Case cases[] = {
      {nullptr, 69, ""},
      {"device C0:FF:EE:00:00:01 Tag --battery 42 --info model=TT-1,hardware=B2 --connected "
       "--resolved",
       0, R"("batteryLevel":42,"name":"TT-1")"},
  };
  testing::ScratchDirectory config;
  for (const auto& c : cases) {
    bus.stopBluez();
    if (c.setup) {
      bus.startBluez();
      ASSERT_TRUE(bus.script("adapter"));
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

// Watching, it stops with the unavailable status once BlueZ goes away.
TEST_F(BluezCentralTest, TellwickctlLeWatchingEndsWhenBluezGoes) {
  ASSERT_TRUE(bus.script("adapter"));
  ASSERT_TRUE(bus.script("device C0:FF:EE:00:00:01 Tag --battery 42 --connected --resolved"));
  testing::ScratchDirectory config;
  auto environment = testing::environmentSnapshot();
  environment.push_back("XDG_CONFIG_HOME=" + config.string());
  testing::ChildProcess watching({std::string(TELLWICK_BIN_DIR) + "/tellwickctl", "le", "--json"},
                                 environment);
  ASSERT_TRUE(watching.readLine(10s).has_value());
  bus.stopBluez();
  EXPECT_EQ(watching.wait(10s), 69);
}

}  // namespace
}  // namespace tellwick
