#include "tools/system_profiler_report.h"

#include <gtest/gtest.h>

#include "profiler/profiler_output_parser.h"

namespace tellwick::tools {
namespace {

BluetoothDevice device(std::string alias, std::string address, bool connected) {
  BluetoothDevice d;
  d.alias = std::move(alias);
  d.address = std::move(address);
  d.connected = connected;
  return d;
}

TEST(SystemProfilerReportTest, WritesControllerAndBothGroupsInThePlatformLayout) {
  BluetoothDevice keyboard = device("Magic Keyboard", "aa:bb:cc:dd:ee:01", true);
  keyboard.modalias = "usb:v05ACp0267d0001";
  keyboard.icon = "input-keyboard";
  keyboard.batteryPercentage = 85;
  BluetoothDevice mouse = device("Odd: Name\tX:", "AA:BB:CC:DD:EE:02", false);
  mouse.modalias = "";
  mouse.icon = "phone";
  EXPECT_EQ(bluetoothReport({{"00:01:02:03:04:05", true}}, {keyboard, mouse, device("", "aa:03", false)}),
            "Bluetooth:\n"
            "\n"
            "      Bluetooth Controller:\n"
            "          Address: 00:01:02:03:04:05\n"
            "          State: On\n"
            "      Connected:\n"
            "          Magic Keyboard:\n"
            "              Address: AA:BB:CC:DD:EE:01\n"
            "              Vendor ID: 0x05AC\n"
            "              Product ID: 0x0267\n"
            "              Minor Type: Keyboard\n"
            "              Battery Level: 85%\n"
            "      Not Connected:\n"
            "          Odd Name X::\n"
            "              Address: AA:BB:CC:DD:EE:02\n"
            "          AA:03:\n"
            "              Address: AA:03\n");
  EXPECT_EQ(bluetoothReport({}, {}), "Bluetooth:\n");
}

// Names come from remote devices: whatever one holds, it stays one title at
// its own depth, and the connected devices after it stay connected.
TEST(SystemProfilerReportTest, NoNameReadsAsAPropertyOrMovesTheDevicesAfterIt) {
  const std::string names[] = {"a:\tb", "a:\x7F" "c", "a:: d", "a:\n:b", "x: :  : y", ":: ",
                               "a:\r\n  Battery Level: 5%", "   :", "\t\t"};
  for (const auto& name : names) {
    BluetoothDevice first = device(name, "aa:bb:cc:dd:ee:01", true);
    BluetoothDevice second = device("Next", "aa:bb:cc:dd:ee:02", true);
    first.batteryPercentage = 10;
    second.batteryPercentage = 20;
    EXPECT_EQ(sectionTitle(name).find(": "), std::string::npos) << name;
    auto tree = ProfilerOutputParser().parse(bluetoothReport({}, {first, second}));
    ASSERT_EQ(tree.nodes().size(), 1u) << name;
    const auto& groups = tree.nodes()[0]->children();
    ASSERT_EQ(groups.size(), 1u) << name;
    ASSERT_EQ(groups[0]->children().size(), 2u) << name;
    EXPECT_EQ(groups[0]->children()[0]->properties().value<std::string>("Battery Level"), "10%")
        << name;
    EXPECT_EQ(groups[0]->children()[1]->properties().value<std::string>("Battery Level"), "20%")
        << name;
  }
}

TEST(SystemProfilerReportTest, ModaliasGivesVendorAndProductOrNothing) {
  EXPECT_EQ(parseModalias("bluetooth:v004Cp200Ed0001")->vendor, 0x004C);
  EXPECT_EQ(parseModalias("usb:v05acp0267d0001")->product, 0x0267);
  for (const char* bad : {"", "v004Cp200E", "usb:v04Cp200E", "usb:v004Cp20", "usb:vXYZWp200E"}) {
    EXPECT_FALSE(parseModalias(bad)) << bad;
  }
}

}  // namespace
}  // namespace tellwick::tools
