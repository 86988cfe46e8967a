#include "battery/shell_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "profiler/profiler_output_parser.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

// Hands out the parse of a scripted report.
class ScriptedProfiler final : public IProfilerController {
 public:
  OutputTree run() override { return ProfilerOutputParser().parse(report); }
  std::optional<std::string> report;
};

// One device block under a group, at the tool's indentation.
std::string block(std::string_view title, const std::vector<std::string_view>& properties) {
  std::string out = "          " + std::string(title) + ":\n";
  for (auto p : properties) out += "              " + std::string(p) + "\n";
  return out;
}

class ShellControllerTest : public ::testing::Test {
 protected:
  // One line per device found in report: serial ("+" when charging), kind,
  // name, maker, level, vendor and product; a double device adds its levels.
  std::vector<std::string> find(std::optional<std::string> report) {
    profiler_.report = std::move(report);
    finder_.refresh();
    const auto number = [](const auto& v) { return v ? std::to_string(*v) : "-"; };
    std::vector<std::string> out;
    for (const auto& d : finder_.devices()) {
      std::string line = d->serial() + (d->isCharging() ? "+ " : " ") + std::string(rawValue(d->type())) + " " +
                         d->name() + " " + d->manufacturer().value_or("-") + " " + number(d->batteryLevel()) + " " +
                         number(d->vendorId()) + " " + number(d->productId());
      if (const auto* twin = dynamic_cast<const DoubleBatteryDevice*>(d.get())) {
        line += " " + number(twin->firstLevel()) + "/" + number(twin->secondLevel());
      }
      out.push_back(line);
    }
    return out;
  }

  ShellControllerTest() { bundle_.setString("battery", "CHARGING_CASE", "Etui"); }

  ScriptedProfiler profiler_;
  testing::FakeResourceBundle bundle_;
  ShellController finder_{profiler_, bundle_};
};

// Each block tries one rule; the devices come in report order, a node's
// single, case and double device in that order.
TEST_F(ShellControllerTest, EachRuleTakesWellFormedConnectedNodesOnly) {
  std::string report = "Bluetooth:\n\n      Bluetooth Controller:\n          Address: 00:11:22:33:44:55\n"
                       "      Connected:\n" +
                       block("Pods", {"Address: 00:1A:7D:DA:71:13", "Vendor ID: 0x004C", "Product ID: 0x200E",
                                      "Case Battery Level: 60%", "Case Charging: Yes", "Left Battery Level: 100%",
                                      "Left Charging: No", "Right Battery Level: 90%", "Right Charging: Yes",
                                      "Minor Type: Headphones"}) +
                       block("Keyboard", {"Address: AA:BB:CC:DD:EE:01", "Vendor ID: 0x05AC", "Product ID: 0x0267",
                                          "Minor Type: Keyboard", "Battery Level: 85%"});
  // Single devices need an address and a level, identifiers default to 0.
  report += block("Garbled", {"Address: 02", "Battery Level: 101%", "Vendor ID: 0xZZ", "Product ID: -1",
                              "Minor Type: keyboard"}) +
            block("No Address", {"Battery Level: 50%"}) + block("Negative", {"Address: 03", "Battery Level: -5%"}) +
            block("Too Big", {"Address: 05", "Battery Level: 256%"}) +
            block("Padded", {"Address: 06", "Battery Level:  7 %\t"});
  // A case needs every field, well formed.
  for (int drop = 0; drop < 4; ++drop) {
    std::vector<std::string_view> good = {"Address: AA", "Vendor ID: 0x004C", "Product ID: 0x200E",
                                          "Case Battery Level: 60%"};
    good.erase(good.begin() + drop);
    report += block("Missing", good);
  }
  report += block("Bad Vendor", {"Address: B1", "Vendor ID: 0x10000", "Product ID: 0x1", "Case Battery Level: 1%"}) +
            block("Bad Product", {"Address: B2", "Vendor ID: 0x1", "Product ID: 0x 1", "Case Battery Level: 1%"}) +
            block("Bad Level", {"Address: B3", "Vendor ID: 0x1", "Product ID: 0x1", "Case Battery Level: 1.5%"}) +
            block("Case", {"Address: B4", "Vendor ID: 4C", "Product ID: 0x7FFFFFFFFFFFFFFF", "Case Battery Level: 0%",
                           "Minor Type: Mouse", "Case Charging: yes"});
  // A double device keeps whichever side parses.
  report += block("Left Only", {"Address: 07", "Vendor ID: 0x004C", "Product ID: 0x1", "Left Battery Level: 70%"}) +
            block("Both Garbled", {"Address: 08", "Vendor ID: 0x004C", "Product ID: 0x1", "Left Battery Level: ?",
                                   "Right Battery Level: -"}) +
            block("Headset", {"Address: 09", "Vendor ID: 0x0", "Product ID: 0x1", "Right Battery Level: 5%",
                              "Minor Type: Headset", "Left Charging: Yes"}) +
            block("No Address", {"Vendor ID: 0x1", "Product ID: 0x1", "Left Battery Level: 5%"});
  // Only what is connected: by its own property, whatever it says, or by a
  // group whose title begins with the word.
  report += "      Not Connected:\n" + block("Listed", {"Address: 10", "Battery Level: 10%"}) +
            block("Own Flag", {"Address: 11", "Connected: No", "Battery Level: 20%"}) + "      Connected Devices:\n" +
            block("Grouped", {"Address: 12", "Battery Level: 30%"});
  EXPECT_THAT(find(report),
              ElementsAre("case_00-1a-7d-da-71-13+ CHARGING_CASE Etui Apple Inc. 60 76 8206",
                          "00-1a-7d-da-71-13+ Headphones Pods Apple Inc. - - 8206 100/90",
                          "aa-bb-cc-dd-ee-01 Keyboard Keyboard UNKNOWN_MANUFACTURER 85 1452 615",
                          "02 undefined Garbled UNKNOWN_MANUFACTURER 101 0 0",
                          "06 undefined Padded UNKNOWN_MANUFACTURER 7 0 0",
                          "case_b4 CHARGING_CASE Etui Apple Inc. 0 76 9223372036854775807",
                          "07 Headphones Left Only Apple Inc. - - 1 70/-",
                          "08 Headphones Both Garbled Apple Inc. - - 1 -/-",
                          "09+ Headset Headset UNKNOWN_MANUFACTURER - - 1 -/5",
                          "11 undefined Own Flag UNKNOWN_MANUFACTURER 20 0 0",
                          "12 undefined Grouped UNKNOWN_MANUFACTURER 30 0 0"));
  // A top-level node has no group to be connected by; each refresh runs the
  // tool again and replaces what the last one found.
  EXPECT_TRUE(find("Mouse:\n  Address: 04\n  Battery Level: 5%\n").empty());
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
  ASSERT_EQ(finder_.devices().size(), 1u);
  EXPECT_EQ(finder_.devices()[0]->serial(), "deep");
  detachAll(nodes);
}

TEST(ShellFieldsTest, IdentifiersAndLevelsAcceptDigitsOnly) {
  EXPECT_EQ(ShellFields::vendorId("00x1"), 0x01);  // "0x" goes wherever it is
  EXPECT_EQ(ShellFields::vendorId("0X4C"), std::nullopt);
  EXPECT_EQ(ShellFields::vendorId(" 0x4C"), std::nullopt);
  EXPECT_EQ(ShellFields::productId("0xFFFFFFFFFFFFFFFFF"), std::nullopt);
  EXPECT_EQ(ShellFields::level("\xC2\xA0 255 %"), 255);
  EXPECT_EQ(ShellFields::level("%"), std::nullopt);
  EXPECT_EQ(ShellFields::level("8 5%"), std::nullopt);
}

}  // namespace
}  // namespace tellwick
