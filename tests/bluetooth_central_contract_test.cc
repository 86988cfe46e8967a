// What every BluetoothCentral promises, checked on the fake and on BlueZ.
#include <gtest/gtest.h>

#include <chrono>

#include "os/bluetooth_central.h"
#include "tests/bluez_le_bus.h"
#include "tests/fakes/fake_bluetooth_central.h"

namespace tellwick {
namespace {

using namespace std::chrono_literals;

constexpr const char* kTag = "C0:11:22:33:44:10";

// Sets up one world on either implementation: an adapter (on or off) and a
// tag named "Tag" with a battery, connected to the system.
class FakeWorld {
 public:
  void build(bool powered) {
    central_.centralState = powered ? os::CentralState::poweredOn : os::CentralState::poweredOff;
    auto& p = central_.peripheral(kTag);
    p.name = "Tag";
    p.connectedToSystem = true;
    p.offeredServices = {"1800", "180F"};
  }
  os::BluetoothCentral& central() { return central_; }

 private:
  testing::FakeBluetoothCentral central_;
};

class BluezWorld {
 public:
  void build(bool powered) {
    bus_.startBluez();
    ASSERT_TRUE(bus_.script(powered ? "adapter" : "adapter --off"));
    ASSERT_TRUE(bus_.script(std::string("device ") + kTag + " Tag --battery 50 --connected"));
    auto made = os::newLinuxBluetoothCentral();
    ASSERT_TRUE(made.ok()) << made.error();
    central_ = std::move(made.value());
  }
  os::BluetoothCentral& central() { return *central_; }

 private:
  testing::BluezLeBus bus_;
  std::unique_ptr<os::BluetoothCentral> central_;
};

template <typename World>
class CentralContract : public ::testing::Test {
 protected:
  World world;
};

using Worlds = ::testing::Types<FakeWorld, BluezWorld>;
TYPED_TEST_SUITE(CentralContract, Worlds);

TYPED_TEST(CentralContract, RetrievalNamesAndStates) {
  this->world.build(true);
  auto& central = this->world.central();
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
  this->world.build(true);
  auto& central = this->world.central();
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
  this->world.build(false);
  auto& central = this->world.central();
  EXPECT_EQ(central.state(), os::CentralState::poweredOff);
  EXPECT_TRUE(central.retrieveConnectedPeripherals({"180F"}).empty());
}

}  // namespace
}  // namespace tellwick
