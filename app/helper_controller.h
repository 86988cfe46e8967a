#ifndef TELLWICK_APP_HELPER_CONTROLLER_H_
#define TELLWICK_APP_HELPER_CONTROLLER_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battery/batteries_controller.h"
#include "battery/shell_controller.h"
#include "hidsensors/apple_sensor_controller.h"
#include "hidsensors/native_sensor_controller.h"
#include "os/bus/main_queue.h"
#include "os/bus/notification_center.h"
#include "os/files/resource_bundle.h"
#include "os/process/process_runner.h"
#include "os/result.h"
#include "os/sensors/hid_event_system.h"
#include "os/sensors/smc_user_client.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "os/system_identification.h"
#include "profiler/profiler_controller.h"
#include "protocol/controllers.h"
#include "protocol/helper_data_model.h"
#include "smc/fan_controller.h"
#include "smc/intel_sensor_controller.h"
#include "traffic/network_controller.h"

namespace tellwick {

// The machine's services that the controllers read through, as the program's
// entry made them. Not owned; each must outlive the composition root.
struct HelperServices {
  os::NotificationCenter& center;
  os::UserDefaults& userDefaults;
  os::PropertyListCoder& coder;
  os::SmcUserClient& smc;
  os::ProcessRunner& runner;
  // The catalogue and the texts the records carry.
  const os::ResourceBundle& bundle;
  // The helper's own environment, handed on to the tools it runs.
  const std::vector<std::string>& environment;
  // Opens the HID sensor reader; called once, and only where the HID path
  // serves the sensors.
  std::function<os::Result<std::unique_ptr<os::HidEventSystem>>()> openHidEventSystem;
  // Whether the machine has a system-management controller with sensor keys
  // (applesmc on Linux); asked once, and only off Apple silicon.
  std::function<bool()> smcPresent;
  // The main loop, which the sensor and fan samples are taken off (their
  // readings may take seconds); nullptr samples on the caller's thread.
  os::MainQueue* loop = nullptr;
};

// The composition root: the one store and the four category controllers,
// all sharing that store, with every piece they lean on, owned here for the
// life of the process. Construction does not fail: a part whose hardware is
// missing still answers with what it has (a HID reader that cannot be opened
// lists no sensors). Built and used on the main thread.
//
// The sensors come from the controller (the Intel path) only on a machine
// that has one; every other machine, Apple silicon or a PC whose hwmon chips
// carry its temperatures, voltages and currents, is served by the HID path.
// Fans come from the controller's fan keys everywhere.
class HelperController final : public IHelperController {
 public:
  // Asks system once whether this is Apple silicon ("arm64"), and otherwise
  // services.smcPresent once, to choose the sensor controller; system is
  // used during construction only.
  HelperController(const HelperServices& services, os::SystemIdentification& system);
  HelperController(const HelperController&) = delete;
  HelperController& operator=(const HelperController&) = delete;

  ISensorController& sensors() override;
  IFanController& fans() override { return *fans_; }
  INetworkController& network() override { return *network_; }
  IBatteriesController& batteries() override { return *batteries_; }
  IHelperDataModel& model() { return model_; }

 private:
  // Declared so that every controller goes before the store it writes to;
  // the optionals are filled in the constructor, in the order the pieces
  // are built.
  HelperDataModel model_;
  std::unique_ptr<os::HidEventSystem> hidSystem_;
  std::optional<NativeSensorController> native_;
  std::optional<AppleSensorController> appleSensors_;
  std::optional<IntelSensorController> intelSensors_;
  std::optional<NetworkController> network_;
  std::optional<FanController> fans_;
  std::optional<ProfilerController> profiler_;
  std::optional<ShellController> finder_;
  std::optional<BatteriesController> batteries_;
};

}  // namespace tellwick

#endif  // TELLWICK_APP_HELPER_CONTROLLER_H_
