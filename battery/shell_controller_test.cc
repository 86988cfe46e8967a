#include "battery/shell_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "profiler/profiler_output_parser.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

// Hands out the parse of a scripted report; counts runs.
class ScriptedProfiler final : public IProfilerController {
 public:
  OutputTree run() override {
    ++runs;
    return ProfilerOutputParser().parse(report);
  }
  std::optional<std::string> report;
  int runs = 0;
};

// One device block under a group, at the tool's indentation.
std::string block(std::string_view title, std::initializer_list<std::string_view> properties) {
  std::string out = "          " + std::string(title) + ":\n";
  for (auto p : properties) out += "              " + std::string(p) + "\n";
  return out;
}

std::string connected(std::string blocks) { return "Bluetooth:\n\n      Connected:\n" + blocks; }

class ShellControllerTest : public ::testing::Test {
 protected:
  const BatteryDevices& find(std::string report) {
    profiler_.report = std::move(report);
    finder_.refresh();
    return finder_.devices();
  }

  std::vector<std::string> serials() const {
    std::vector<std::string> out;
    for (const auto& d : finder_.devices()) out.push_back(d->serial());
    return out;
  }

  template <class T>
  static const T& as(const std::shared_ptr<BatteryDevice>& device) {
    auto* typed = dynamic_cast<const T*>(device.get());
    EXPECT_NE(typed, nullptr);
    return *typed;
  }

  ShellControllerTest() { bundle_.setString("battery", "CHARGING_CASE", "Etui"); }

  ScriptedProfiler profiler_;
  testing::FakeResourceBundle bundle_;
  ShellController finder_{profiler_, bundle_};
};

TEST_F(ShellControllerTest, ReadsEarbudsWithTheirCaseAndSingleDevicesInReportOrder) {
  const auto& devices = find(
      "Bluetooth:\n"
      "\n"
      "      Bluetooth Controller:\n"
      "          Address: 00:11:22:33:44:55\n"
      "          State: On\n"
      "      Connected:\n" +
      block("Pods", {"Address: 00:1A:7D:DA:71:13", "Vendor ID: 0x004C", "Product ID: 0x200E",
                     "Case Battery Level: 60%", "Left Battery Level: 100%",
                     "Right Battery Level: 90%", "Minor Type: Headphones"}) +
      block("Keyboard", {"Address: AA:BB:CC:DD:EE:01", "Vendor ID: 0x05AC", "Product ID: 0x0267",
                         "Minor Type: Keyboard", "Battery Level: 85%"}) +
      "      Not Connected:\n" +
      block("Old Mouse", {"Address: AA:BB:CC:DD:EE:02", "Battery Level: 40%"}));

  ASSERT_EQ(devices.size(), 3u);
  EXPECT_THAT(serials(),
              ElementsAre("case_00-1a-7d-da-71-13", "00-1a-7d-da-71-13", "aa-bb-cc-dd-ee-01"));

  const auto& chargingCase = as<SingleBatteryDevice>(devices[0]);
  EXPECT_EQ(chargingCase.type(), DeviceType::chargingCase);
  EXPECT_EQ(chargingCase.name(), "Etui");
  EXPECT_EQ(chargingCase.manufacturer(), "Apple Inc.");
  EXPECT_EQ(chargingCase.batteryLevel(), 60);
  EXPECT_EQ(chargingCase.vendorId(), 0x004C);
  EXPECT_EQ(chargingCase.productId(), 0x200E);

  const auto& earbuds = as<DoubleBatteryDevice>(devices[1]);
  EXPECT_EQ(earbuds.name(), "Pods");
  EXPECT_EQ(earbuds.type(), DeviceType::headphones);
  EXPECT_EQ(earbuds.firstLevel(), 100);
  EXPECT_EQ(earbuds.secondLevel(), 90);
  EXPECT_EQ(earbuds.batteryLevel(), std::nullopt);
  EXPECT_EQ(earbuds.manufacturer(), "Apple Inc.");
  EXPECT_EQ(earbuds.productId(), 0x200E);

  const auto& keyboard = as<SingleBatteryDevice>(devices[2]);
  EXPECT_EQ(keyboard.name(), "Keyboard");
  EXPECT_EQ(keyboard.type(), DeviceType::keyboard);
  EXPECT_EQ(keyboard.batteryLevel(), 85);
  EXPECT_EQ(keyboard.vendorId(), 0x05AC);
  EXPECT_EQ(keyboard.productId(), 0x0267);
}

TEST_F(ShellControllerTest, OnlyConnectedNodesYieldDevices) {
  find(
      "Bluetooth:\n"
      "      Not Connected:\n" +
      block("Listed", {"Address: 01", "Battery Level: 10%"}) +
      block("Own Flag", {"Address: 02", "Connected: No", "Battery Level: 20%"}) +
      "      Connected Devices:\n" + block("Grouped", {"Address: 03", "Battery Level: 30%"}));
  // "Connected Devices" lands under "Not Connected" but begins with the word.
  EXPECT_THAT(serials(), ElementsAre("02", "03"));

  // A top-level node has no group to be connected by.
  find("Mouse:\n  Address: 04\n  Battery Level: 5%\n");
  EXPECT_TRUE(finder_.devices().empty());
  find("Mouse:\n  Address: 05\n  Battery Level: 5%\n  Connected: Yes\n");
  EXPECT_THAT(serials(), ElementsAre("05"));
}

TEST_F(ShellControllerTest, SingleDeviceNeedsAddressAndALevelButDefaultsIdentifiers) {
  const auto& devices =
      find(connected(block("Bare", {"Address: 01", "Battery Level: 85%"}) +
                     block("Garbled", {"Address: 02", "Battery Level: 101%", "Vendor ID: 0xZZ",
                                       "Product ID: -1", "Minor Type: keyboard"}) +
                     block("No Address", {"Battery Level: 50%"}) +
                     block("Negative", {"Address: 03", "Battery Level: -5%"}) +
                     block("Words", {"Address: 04", "Battery Level: full"}) +
                     block("Too Big", {"Address: 05", "Battery Level: 256%"}) +
                     block("Padded", {"Address: 06", "Battery Level:  7 %\t"})));
  EXPECT_THAT(serials(), ElementsAre("01", "02", "06"));
  EXPECT_EQ(devices[0]->vendorId(), 0);
  EXPECT_EQ(devices[0]->productId(), 0);
  EXPECT_EQ(devices[0]->batteryLevel(), 85);
  EXPECT_EQ(devices[1]->batteryLevel(), 101);
  EXPECT_EQ(devices[1]->vendorId(), 0);
  EXPECT_EQ(devices[1]->productId(), 0);
  EXPECT_EQ(devices[1]->type(), DeviceType::undefined);
  EXPECT_EQ(devices[2]->batteryLevel(), 7);
}

TEST_F(ShellControllerTest, ChargingCaseNeedsEveryFieldWellFormed) {
  const std::string good[] = {"Address: AA", "Vendor ID: 0x004C", "Product ID: 0x200E",
                              "Case Battery Level: 60%"};
  std::string blocks;
  for (int drop = 0; drop < 4; ++drop) {
    std::string lines;
    for (int i = 0; i < 4; ++i) {
      if (i != drop) lines += "              " + good[i] + "\n";
    }
    blocks += "          Missing " + std::to_string(drop) + ":\n" + lines;
  }
  blocks += block("Bad Vendor", {"Address: B1", "Vendor ID: 0x10000", "Product ID: 0x1",
                                 "Case Battery Level: 1%"});
  blocks += block("Bad Product",
                  {"Address: B2", "Vendor ID: 0x1", "Product ID: 0x 1", "Case Battery Level: 1%"});
  blocks += block("Bad Level",
                  {"Address: B3", "Vendor ID: 0x1", "Product ID: 0x1", "Case Battery Level: 1.5%"});
  blocks += block("Good", {"Address: B4", "Vendor ID: 4C", "Product ID: 0x7FFFFFFFFFFFFFFF",
                           "Case Battery Level: 0%", "Minor Type: Mouse"});
  const auto& devices = find(connected(blocks));
  ASSERT_THAT(serials(), ElementsAre("case_b4"));
  EXPECT_EQ(devices[0]->type(), DeviceType::chargingCase);
  EXPECT_EQ(devices[0]->productId(), INT64_MAX);
  EXPECT_EQ(devices[0]->batteryLevel(), 0);
}

TEST_F(ShellControllerTest, DoubleDeviceKeepsWhicheverSideParses) {
  const auto& devices = find(connected(
      block("Left Only",
            {"Address: 01", "Vendor ID: 0x004C", "Product ID: 0x1", "Left Battery Level: 70%"}) +
      block("Both Garbled", {"Address: 02", "Vendor ID: 0x004C", "Product ID: 0x1",
                             "Left Battery Level: ?", "Right Battery Level: -"}) +
      block("Headset", {"Address: 03", "Vendor ID: 0x0", "Product ID: 0x1",
                        "Right Battery Level: 5%", "Minor Type: Headset"}) +
      block("No Vendor", {"Address: 04", "Product ID: 0x1", "Left Battery Level: 5%"}) +
      block("Bad Product", {"Address: 05", "Vendor ID: 0x1", "Product ID: 0x8000000000000000",
                            "Left Battery Level: 5%"}) +
      block("No Address", {"Vendor ID: 0x1", "Product ID: 0x1", "Left Battery Level: 5%"})));
  ASSERT_THAT(serials(), ElementsAre("01", "02", "03"));
  const auto& leftOnly = as<DoubleBatteryDevice>(devices[0]);
  EXPECT_EQ(leftOnly.firstLevel(), 70);
  EXPECT_EQ(leftOnly.secondLevel(), std::nullopt);
  EXPECT_EQ(leftOnly.vendorId(), std::nullopt);
  const auto& garbled = as<DoubleBatteryDevice>(devices[1]);
  EXPECT_EQ(garbled.firstLevel(), std::nullopt);
  EXPECT_EQ(garbled.secondLevel(), std::nullopt);
  EXPECT_EQ(as<DoubleBatteryDevice>(devices[2]).type(), DeviceType::headset);
}

TEST_F(ShellControllerTest, OneNodeMayYieldSingleCaseAndDoubleInThatOrder) {
  const auto& devices = find(connected(
      block("Everything", {"Address: 01", "Vendor ID: 0x1", "Product ID: 0x2", "Battery Level: 1%",
                           "Right Battery Level: 3%", "Case Battery Level: 2%"})));
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0]->batteryLevel(), 1);
  EXPECT_EQ(devices[1]->batteryLevel(), 2);
  EXPECT_EQ(as<DoubleBatteryDevice>(devices[2]).secondLevel(), 3);
}

TEST_F(ShellControllerTest, RefreshReplacesTheDevicesAndAFailedRunLeavesNone) {
  find(connected(block("Mouse", {"Address: 01", "Battery Level: 1%"})));
  EXPECT_EQ(finder_.devices().size(), 1u);
  find(connected(block("Mouse", {"Address: 01", "Battery Level: 1%"})));
  EXPECT_EQ(finder_.devices().size(), 1u);
  profiler_.report = std::nullopt;
  finder_.refresh();
  EXPECT_TRUE(finder_.devices().empty());
  EXPECT_EQ(profiler_.runs, 3);
}

TEST_F(ShellControllerTest, ReadNodesAppendsAndValuesOfOtherTypesCountAsMissing) {
  OutputNodes nodes;
  nodes.push_back(std::make_unique<OutputNode>("Connected"));
  OutputNode& mouse = nodes[0]->appendChild(std::make_unique<OutputNode>("Mouse"));
  mouse.properties().set("Address", std::string("01"));
  mouse.properties().set("Battery Level", 50LL);
  finder_.readNodes(nodes);
  EXPECT_TRUE(finder_.devices().empty());
  mouse.properties().set("Battery Level", std::string("50%"));
  finder_.readNodes(nodes);
  finder_.readNodes(nodes);
  EXPECT_EQ(finder_.devices().size(), 2u);
}

TEST_F(ShellControllerTest, WalksATreeFarDeeperThanTheStack) {
  OutputNodes nodes;
  nodes.push_back(std::make_unique<OutputNode>("Connected"));
  OutputNode* node = nodes[0].get();
  for (int i = 0; i < 1000000; ++i)
    node = &node->appendChild(std::make_unique<OutputNode>("Connected"));
  node->properties().set("Address", std::string("deep"));
  node->properties().set("Battery Level", std::string("9%"));
  finder_.readNodes(nodes);
  EXPECT_THAT(serials(), ElementsAre("deep"));
  detachAll(nodes);
}

TEST(ShellFieldsTest, IdentifiersAndLevelsAcceptDigitsOnly) {
  EXPECT_EQ(ShellFields::serial("00:1a:7D:DA:71:13"), "00-1a-7d-da-71-13");
  EXPECT_EQ(ShellFields::vendorId("00x1"), 0x01);  // "0x" goes wherever it is
  EXPECT_EQ(ShellFields::vendorId("0X4C"), std::nullopt);
  EXPECT_EQ(ShellFields::vendorId(" 0x4C"), std::nullopt);
  EXPECT_EQ(ShellFields::vendorId("+4C"), std::nullopt);
  EXPECT_EQ(ShellFields::productId("0xFFFFFFFFFFFFFFFFF"), std::nullopt);
  EXPECT_EQ(ShellFields::level("\xC2\xA0 255 %"), 255);
  EXPECT_EQ(ShellFields::level("%"), std::nullopt);
  EXPECT_EQ(ShellFields::level("8 5%"), std::nullopt);
  EXPECT_EQ(ShellFields::level("85%\r"), std::nullopt);
}

}  // namespace
}  // namespace tellwick
