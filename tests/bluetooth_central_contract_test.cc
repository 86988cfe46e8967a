// What every BluetoothCentral promises, checked on the fake and on BlueZ.
#include <gtest/gtest.h>

#include <chrono>

#include "os/bluetooth/bluetooth_central.h"
#include "tests/fakes/fake_bluetooth_central.h"
#include "tests/support/mock_bluez.h"

namespace tellwick {
namespace {

using namespace std::chrono_literals;

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
