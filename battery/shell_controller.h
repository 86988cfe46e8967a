#ifndef TELLWICK_BATTERY_SHELL_CONTROLLER_H_
#define TELLWICK_BATTERY_SHELL_CONTROLLER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/files/resource_bundle.h"
#include "profiler/output_tree.h"
#include "profiler/profiler_controller.h"
#include "protocol/battery_device.h"

namespace tellwick {

using BatteryDevices = std::vector<std::shared_ptr<BatteryDevice>>;

// The vocabulary of the Bluetooth report, compared exactly with property keys.
struct ShellKeys {
  ShellKeys() = delete;
  static constexpr std::string_view connected = "Connected";
  static constexpr std::string_view address = "Address";
  static constexpr std::string_view batteryLevel = "Battery Level";
  static constexpr std::string_view caseBatteryLevel = "Case Battery Level";
  static constexpr std::string_view leftBatteryLevel = "Left Battery Level";
  static constexpr std::string_view rightBatteryLevel = "Right Battery Level";
  static constexpr std::string_view vendorId = "Vendor ID";
  static constexpr std::string_view productId = "Product ID";
  static constexpr std::string_view minorType = "Minor Type";
  // "Yes" beside a level whose cell charges.
  static constexpr std::string_view leftCharging = "Left Charging";
  static constexpr std::string_view rightCharging = "Right Charging";
  static constexpr std::string_view caseCharging = "Case Charging";
};

// The conversions of report values; each is absent when the text does not
// parse. Exposed for the finder's tests and fuzzing.
struct ShellFields {
  ShellFields() = delete;
  // Lower case, every ":" replaced by "-".
  static std::string serial(std::string_view address);
  // Every "0x" removed, the rest base-16 digits only, fitting 16 bits.
  static std::optional<std::uint16_t> vendorId(std::string_view text);
  // As vendorId, fitting a signed 64-bit value.
  static std::optional<std::int64_t> productId(std::string_view text);
  // Every "%" removed, white space trimmed, the rest base-10 digits 0...255.
  static std::optional<std::uint8_t> level(std::string_view text);
};

// The Bluetooth battery finder over the profiler's report.
class IShellController {
 public:
  virtual ~IShellController() = default;
  // The devices of the last refresh, in the order found.
  virtual const BatteryDevices& devices() const = 0;
  // Examines nodes and all their descendants, depth-first in pre-order, and
  // appends the devices found.
  virtual void readNodes(const OutputNodes& nodes) = 0;
  // Empties devices, runs the profiler and fills them again. Blocks for the
  // profiler's run. One thread at a time.
  virtual void refresh() = 0;
  // As refresh, without blocking where the profiler can: done runs once the
  // devices are filled again, on the main loop's thread. This default
  // refreshes synchronously. Main thread.
  virtual void refresh(std::function<void()> done) {
    refresh();
    done();
  }
};

// A connected node yields a single device from "Battery Level", a charging
// case from "Case Battery Level" and earbuds (a double device) from "Left/
// Right Battery Level", in that order. The case charges when "Case
// Charging" says "Yes", the earbuds when either bud's does. Nodes with missing or malformed
// mandatory fields are skipped silently. Texts (manufacturer names, the
// charging case's name) come from bundle. The profiler and the bundle must
// outlive this.
class ShellController final : public IShellController {
 public:
  ShellController(IProfilerController& controller, const os::ResourceBundle& bundle)
      : controller_(controller), bundle_(bundle) {}

  const BatteryDevices& devices() const override { return devices_; }
  void readNodes(const OutputNodes& nodes) override;
  void refresh() override;
  void refresh(std::function<void()> done) override;

 private:
  void readNode(const OutputNode& node);
  void readSingle(const OutputNode& node);
  void readCase(const OutputNode& node);
  void readDouble(const OutputNode& node);

  IProfilerController& controller_;
  const os::ResourceBundle& bundle_;
  BatteryDevices devices_;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_SHELL_CONTROLLER_H_
