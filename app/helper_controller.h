#ifndef TELLWICK_APP_HELPER_CONTROLLER_H_
#define TELLWICK_APP_HELPER_CONTROLLER_H_

#include <memory>

#include "os/system_identification.h"
#include "protocol/controllers.h"
#include "protocol/helper_data_model.h"

namespace tellwick {

// Builds the pieces of the composition root. Each controller is handed the
// one store it must write to; the caller keeps what is returned.
class HelperParts {
 public:
  HelperParts() = default;
  HelperParts(const HelperParts&) = delete;
  HelperParts& operator=(const HelperParts&) = delete;
  virtual ~HelperParts() = default;

  virtual std::unique_ptr<IHelperDataModel> makeModel() = 0;
  virtual std::unique_ptr<ISensorController> makeAppleSensorController(IHelperDataModel& model) = 0;
  // Opens its hardware connection and probes the sensor catalogue at once.
  virtual std::unique_ptr<ISensorController> makeIntelSensorController(IHelperDataModel& model) = 0;
  virtual std::unique_ptr<INetworkController> makeNetworkController(IHelperDataModel& model) = 0;
  // Opens its own hardware connection at once.
  virtual std::unique_ptr<IFanController> makeFanController(IHelperDataModel& model) = 0;
  virtual std::unique_ptr<IBatteriesController> makeBatteriesController(IHelperDataModel& model) = 0;
};

// The composition root: the store and the four category controllers, all
// sharing that store, owned for the life of the process. Construction does
// not fail; a part whose hardware is missing still answers with what it has.
class HelperController final : public IHelperController {
 public:
  // Asks system once whether this is Apple silicon ("arm64") to choose the
  // sensor controller. parts and system are used during construction only.
  HelperController(HelperParts& parts, os::SystemIdentification& system);

  ISensorController& sensors() override { return *sensors_; }
  IFanController& fans() override { return *fans_; }
  INetworkController& network() override { return *network_; }
  IBatteriesController& batteries() override { return *batteries_; }
  IHelperDataModel& model() { return *model_; }

 private:
  // Declared so that the controllers go before the store they write to.
  std::unique_ptr<IHelperDataModel> model_;
  std::unique_ptr<ISensorController> sensors_;
  std::unique_ptr<IFanController> fans_;
  std::unique_ptr<INetworkController> network_;
  std::unique_ptr<IBatteriesController> batteries_;
};

}  // namespace tellwick

#endif  // TELLWICK_APP_HELPER_CONTROLLER_H_
