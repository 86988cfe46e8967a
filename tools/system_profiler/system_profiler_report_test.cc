#include "tools/system_profiler/system_profiler_report.h"

#include <gtest/gtest.h>

#include "profiler/profiler_output_parser.h"

namespace tellwick::tools {
namespace {

BluetoothDevice device(const char* alias, const char* address, bool connected,
                       std::optional<std::string> modalias = {}, std::optional<std::string> icon = {},
                       std::optional<std::uint8_t> battery = {}) {
  BluetoothDevice d;
  d.alias = alias;
  d.address = address;
  d.connected = connected;
  d.modalias = std::move(modalias);
  d.icon = std::move(icon);
  d.batteryPercentage = battery;
  return d;
}

TEST(SystemProfilerReportTest, WritesControllerAndBothGroupsInThePlatformLayout) {
  auto buds = device("Buds", "00:1a:7d:da:71:13", true, "bluetooth:v004Cp200Ed0001", "audio-headphones", 80);
  buds.earbuds = ProximityPairing{0x200E, BudSide::right, 90, std::nullopt, 60, true, false, false};
  EXPECT_EQ(bluetoothReport({{"00:01:02:03:04:05", true}},
                            {device("Magic Keyboard", "aa:bb:cc:dd:ee:01", true, "usb:v05ACp0267d0001",
                                    "input-keyboard", 85),
                             buds, device("Odd: Name\tX:", "AA:BB:CC:DD:EE:02", false, "", "phone"),
                             device("", "aa:03", false)}),
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
            "              Address: AA:BB:CC:DD:EE:02\n"
            "          AA:03:\n"
            "              Address: AA:03\n");
}

// Names come from remote devices: whatever one holds, it stays one title at
// its own depth, and the connected devices after it stay connected.
TEST(SystemProfilerReportTest, NoNameReadsAsAPropertyOrMovesTheDevicesAfterIt) {
  for (const std::string name : {"a:\tb", "a:\x7F" "c", "x: :  : y", "a:\r\n  Battery Level: 5%", "   :", "\t\t"}) {
    const auto first = device(name.c_str(), "aa:bb:cc:dd:ee:01", true, {}, {}, 10);
    const auto second = device("Next", "aa:02", true, {}, {}, 20);
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
