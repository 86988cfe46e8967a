#include "tools/tellwickctl/watch/helper_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "protocol/helper_notifications.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_session_bus.h"

namespace tellwick::watch {
namespace {

using namespace std::chrono_literals;

// Every interval asks each category that has answered, batteries only every
// kBatteriesEvery; a helper that was gone is asked for everything on its
// return.
TEST(HelperClientTest, BatteriesAreAskedForEveryHalfMinuteTheOthersEveryInterval) {
  testing::FakeSessionBus bus;
  testing::FakeHelperDataModel store;
  bus.names().owned().insert(std::string(kHelperBusName));
  for (Panel c : {Panel::sensors, Panel::batteries}) {
    bus.answer(std::string(category(c).request), {std::string(category(c).response)});
  }
  HelperClient client(bus, store, {Panel::sensors, Panel::batteries}, 15s);
  const auto start = HelperClient::Clock::now();
  auto interval = [&](HelperClient::Clock::duration at) {
    const std::size_t before = bus.center().posted().size();
    client.request(start + at);
    client.wait(HelperClient::Clock::now());
    const auto names = bus.center().postedNames();
    return std::vector<std::string>(names.begin() + static_cast<long>(before), names.end());
  };
  const std::vector<std::string> both = {"RequestSensors", "RequestBatteries"},
                                 sensors = {"RequestSensors"};
  EXPECT_EQ(interval(0s), both);
  EXPECT_EQ(interval(1s), sensors);
  EXPECT_EQ(interval(29s), sensors);
  EXPECT_EQ(interval(30s), both);
  EXPECT_EQ(interval(31s), sensors);
  bus.names().owned().clear();
  EXPECT_EQ(interval(32s), std::vector<std::string>{});
  EXPECT_FALSE(client.answering());
  bus.names().owned().insert(std::string(kHelperBusName));
  EXPECT_EQ(interval(33s), both);
  EXPECT_TRUE(client.answering());
}

}  // namespace
}  // namespace tellwick::watch
