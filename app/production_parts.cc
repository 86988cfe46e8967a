#include "app/production_parts.h"

#include "battery/batteries_controller.h"
#include "hidsensors/apple_sensor_controller.h"
#include "hidsensors/native_sensor_controller.h"
#include "os/hid_event_system.h"
#include "protocol/helper_data_model.h"
#include "protocol/sensors.h"
#include "smc/fan_controller.h"
#include "smc/intel_sensor_controller.h"
#include "traffic/network_controller.h"

namespace tellwick {
namespace {

// Stands in for a HID reader that could not be opened: it lists no services,
// so the sensor request is still answered, with an empty list.
class NoHidEventSystem final : public os::HidEventSystem {
 public:
  std::unique_ptr<os::HidEventSystemClient> createClient() override {
    return std::make_unique<NoServices>();
  }

 private:
  class NoServices final : public os::HidEventSystemClient {
   public:
    void setMatching(const os::PlistDictionary&) override {}
    std::optional<std::vector<std::unique_ptr<os::HidServiceClient>>> copyServices() const override {
      return std::nullopt;
    }
  };
};

class ProductionHelperParts final : public HelperParts {
 public:
  explicit ProductionHelperParts(const HelperServices& services) : s_(services) {}

  std::unique_ptr<IHelperDataModel> makeModel() override {
    return std::make_unique<HelperDataModel>(s_.userDefaults, s_.coder);
  }

  std::unique_ptr<ISensorController> makeAppleSensorController(IHelperDataModel& model) override {
    auto opened = os::openLinuxHidEventSystem(std::nullopt);
    hidSystem_ = opened.system ? std::move(opened.system) : std::make_unique<NoHidEventSystem>();
    native_ = std::make_unique<NativeSensorController>(*hidSystem_);
    return std::make_unique<AppleSensorController>(model, s_.center, *native_);
  }

  std::unique_ptr<ISensorController> makeIntelSensorController(IHelperDataModel& model) override {
    auto controller = std::make_unique<IntelSensorController>(model, s_.center, s_.smc);
    controller->start(Sensors::all());
    return controller;
  }

  std::unique_ptr<INetworkController> makeNetworkController(IHelperDataModel& model) override {
    return std::make_unique<NetworkController>(model, s_.center, s_.runner);
  }

  std::unique_ptr<IFanController> makeFanController(IHelperDataModel& model) override {
    return std::make_unique<FanController>(model, s_.center, s_.smc);
  }

  std::unique_ptr<IBatteriesController> makeBatteriesController(IHelperDataModel& model) override {
    return std::make_unique<ProfilerBatteries>(s_.runner, model, s_.center);
  }

 private:
  HelperServices s_;
  std::unique_ptr<os::HidEventSystem> hidSystem_;
  std::unique_ptr<NativeSensorController> native_;
};

}  // namespace

std::unique_ptr<HelperParts> makeProductionHelperParts(const HelperServices& services) {
  return std::make_unique<ProductionHelperParts>(services);
}

}  // namespace tellwick
