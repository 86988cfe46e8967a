// libFuzzer target: BlueZ devices with arbitrary names through the Linux
// system_profiler's report, the report parser and the battery finder. Names
// come from remote devices, so whatever they hold the finder must find
// exactly the connected devices with a battery, in order, with their
// addresses and levels.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "battery/shell_controller.h"
#include "os/utf8.h"
#include "profiler/profiler_output_parser.h"
#include "tests/fakes/fake_resource_bundle.h"
#include "tools/system_profiler/system_profiler_report.h"

namespace {

class NoProfiler final : public tellwick::IProfilerController {
 public:
  tellwick::OutputTree run() override { return {}; }
};

void require(bool condition) {
  if (!condition) __builtin_trap();
}

std::string_view take(std::string_view& data, std::size_t n) {
  std::string_view piece = data.substr(0, n);
  data.remove_prefix(piece.size());
  return piece;
}

std::uint8_t takeByte(std::string_view& data) {
  auto piece = take(data, 1);
  return piece.empty() ? 0 : static_cast<std::uint8_t>(piece[0]);
}

std::string address(std::size_t index, std::uint8_t salt) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02x:00:00:%02X:%02X", salt, salt,
                static_cast<unsigned>(index >> 8) & 0xFF, static_cast<unsigned>(index) & 0xFF);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  std::string_view data(reinterpret_cast<const char*>(bytes), size);
  constexpr const char* kIcons[] = {"input-keyboard", "input-mouse", "audio-headphones",
                                    "audio-headset", "phone"};

  // Per device: a flags byte, a level byte, a name length byte, the name.
  std::vector<tellwick::tools::BluetoothDevice> devices;
  while (!data.empty()) {
    std::uint8_t flags = takeByte(data);
    std::uint8_t level = takeByte(data);
    std::string_view raw = take(data, takeByte(data) % 80);
    tellwick::tools::BluetoothDevice device;
    // The bus carries names as valid UTF-8 without NUL.
    device.alias = tellwick::replaceInvalidUtf8(raw, '?');
    for (char& c : device.alias) {
      if (c == '\0') c = '?';
    }
    device.address = address(devices.size(), flags);
    device.connected = flags & 1;
    if (flags & 2) device.batteryPercentage = level;
    if (flags & 4) device.modalias = "bluetooth:v004Cp200Ed0001";
    if (flags & 8) device.icon = kIcons[(flags >> 4) % 5];
    devices.push_back(std::move(device));
  }

  std::string report = tellwick::tools::bluetoothReport({{"00:11:22:33:44:55", true}}, devices);
  require(tellwick::isValidUtf8(report));
  tellwick::OutputTree tree = tellwick::ProfilerOutputParser().parse(report);
  NoProfiler profiler;
  tellwick::testing::FakeResourceBundle bundle;
  tellwick::ShellController finder(profiler, bundle);
  finder.readNodes(tree.nodes());

  std::vector<const tellwick::tools::BluetoothDevice*> expected;
  for (const auto& device : devices) {
    if (device.connected && device.batteryPercentage) expected.push_back(&device);
  }
  const auto& found = finder.devices();
  require(found.size() == expected.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    auto* single = dynamic_cast<const tellwick::SingleBatteryDevice*>(found[i].get());
    require(single != nullptr);
    require(single->serial() == tellwick::ShellFields::serial(expected[i]->address));
    require(single->batteryLevel() == expected[i]->batteryPercentage);
  }
  return 0;
}
