// The store against an independent property-list implementation: Python's
// plistlib reads what the store writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "protocol/sensor_kit_constants.h"
#include "tests/support/scratch_config_home.h"

namespace tellwick {
namespace {

using nlohmann::json;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kTwoTo63 = std::uint64_t{1} << 63;

class StoreInteropTest : public ::testing::Test {
 protected:
  std::string domainFile() const {
    return home_.domainFile(std::string(SensorKitConstants::appGroup)).string();
  }

  // Runs the plistlib bridge; fails the test unless it exits 0.
  std::string bridge(const std::string& command) {
    std::string line = "python3 " TELLWICK_SOURCE_DIR "/tests/store/plistlib_bridge.py " + command +
                       " '" + domainFile() + "'";
    FILE* pipe = ::popen(line.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    if (!pipe) return {};
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << line << "\n" << out;
    return out;
  }

  testing::ScratchConfigHome home_;
  std::unique_ptr<os::PropertyListCoder> coder_ = os::newLinuxPropertyListCoder();
  std::unique_ptr<os::UserDefaults> defaults_ = os::newLinuxUserDefaults(*coder_);
  HelperDataModel model_{*defaults_, *coder_};
};

TEST_F(StoreInteropTest, PlistlibReadsEveryListTheStoreWrites) {
  ASSERT_TRUE(model_.hasUserDefaults());
  model_.setSensors({Sensor("TC0P", "CPU Proximity", 41.5), Sensor("PSTR", "Total", std::nullopt)});
  model_.setFans({Fan("F0Ac", std::string("Left"), 1800, 1200, 6000, -1)});
  model_.setTraffic({ProcessTrafficInfo(0, "kernel_task", kMax, kTwoTo63)});
  model_.setSingleBatteryDevices(
      {std::make_shared<SingleBatteryDevice>(DeviceType::lowEnergy, "Pen")});
  auto buds = std::make_shared<DoubleBatteryDevice>("Buds", "AA:BB", "Apple Inc.", 8207,
                                                    std::nullopt, 90, "Headphones");
  model_.setDoubleBatteryDevices({buds});
  model_.setDoubleBatteryDevices({buds});

  json domain = json::parse(bridge("dump"));
  EXPECT_EQ(domain["sensors"], json::parse(R"([
      {"Identifier": "TC0P", "Description": "CPU Proximity", "Value": 41.5},
      {"Identifier": "PSTR", "Description": "Total"}])"));
  EXPECT_EQ(domain["fans"], json::parse(R"([{"identifier": "F0Ac", "name": "Left", "rpm": 1800,
      "min": 1200, "max": 6000, "target": -1}])"));
  EXPECT_EQ(domain["traffic"], json::parse(R"([{"pid": 0, "name": "kernel_task",
      "sent": 18446744073709551615, "received": 9223372036854775808}])"));

  const json& single = domain["singleBatteryDevices"][0];
  EXPECT_EQ(single["isCharging"], false);
  EXPECT_EQ(single["type"], "Low Energy");

  const json& pair = domain["doubleBatteryDevices"][0];
  EXPECT_EQ(pair["firstLevel"], "$null");
  EXPECT_EQ(pair["secondLevel"], 90);
  EXPECT_FALSE(pair.contains("vendorId"));
  EXPECT_EQ(domain.size(), 5u);
}

}  // namespace
}  // namespace tellwick
