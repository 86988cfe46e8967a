#include "tools/system_profiler/system_profiler_report.h"

#include <gtest/gtest.h>

#include "profiler/profiler_output_parser.h"

namespace tellwick::tools {
namespace {

TEST(SystemProfilerReportTest, WritesControllerAndBothGroupsInThePlatformLayout) {
  const BluetoothDevice keyboard{.alias = "Magic Keyboard", .address = "aa:bb:cc:dd:ee:01", .connected = true,
                                 .modalias = "usb:v05ACp0267d0001", .icon = "input-keyboard", .batteryPercentage = 85};
  // The advertisement's levels stand instead of BlueZ's one level.
  const BluetoothDevice buds{
      .alias = "Buds", .address = "00:1a:7d:da:71:13", .connected = true, .modalias = "bluetooth:v004Cp200Ed0001",
      .icon = "audio-headphones", .batteryPercentage = 80,
      .earbuds = ProximityPairing{0x200E, BudSide::right, 90, std::nullopt, 60, true, false, false}};
  EXPECT_EQ(bluetoothReport({{"00:01:02:03:04:05", true}},
                            {keyboard, buds, {.alias = "Odd: Name\tX:", .address = "AA:02", .icon = "phone"}, {.address = "aa:03"}}),
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
            "          Buds:\n"
            "              Address: 00:1A:7D:DA:71:13\n"
            "              Vendor ID: 0x004C\n"
            "              Product ID: 0x200E\n"
            "              Minor Type: Headphones\n"
            "              Left Battery Level: 90%\n"
            "              Left Charging: Yes\n"
            "              Case Battery Level: 60%\n"
            "              Case Charging: No\n"
            "      Not Connected:\n"
            "          Odd Name X::\n"
            "              Address: AA:02\n"
            "          AA:03:\n"
            "              Address: AA:03\n");
}

// Names come from remote devices: whatever one holds, it stays one title at
// its own depth, and the connected devices after it stay connected.
TEST(SystemProfilerReportTest, NoNameReadsAsAPropertyOrMovesTheDevicesAfterIt) {
  for (const std::string name : {"a:\tb", "a:\x7F" "c", "x: :  : y", "a:\r\n  Battery Level: 5%", "   :", "\t\t"}) {
    const BluetoothDevice first{.alias = name, .address = "aa:01", .connected = true, .batteryPercentage = 10};
    const BluetoothDevice second{.alias = "Next", .address = "aa:02", .connected = true, .batteryPercentage = 20};
    EXPECT_EQ(sectionTitle(name).find(": "), std::string::npos) << name;
    auto tree = ProfilerOutputParser().parse(bluetoothReport({}, {first, second}));
    ASSERT_EQ(tree.nodes().size(), 1u) << name;
    ASSERT_EQ(tree.nodes()[0]->children().size(), 1u) << name;
    const auto& devices = tree.nodes()[0]->children()[0]->children();
    ASSERT_EQ(devices.size(), 2u) << name;
    EXPECT_EQ(devices[0]->properties().value<std::string>("Battery Level"), "10%") << name;
    EXPECT_EQ(devices[1]->properties().value<std::string>("Battery Level"), "20%") << name;
  }
}

TEST(SystemProfilerReportTest, ModaliasGivesNothingUnlessWellFormed) {
  for (const char* bad : {"", "v004Cp200E", "usb:v04Cp200E", "usb:v004Cp20", "usb:vXYZWp200E"}) {
    EXPECT_FALSE(parseModalias(bad)) << bad;
  }
}

}  // namespace
}  // namespace tellwick::tools
