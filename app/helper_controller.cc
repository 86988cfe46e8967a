#include "app/helper_controller.h"

namespace tellwick {

HelperController::HelperController(HelperParts& parts, os::SystemIdentification& system) {
  model_ = parts.makeModel();
  if (system.machine() == "arm64") {
    sensors_ = parts.makeAppleSensorController(*model_);
  } else {
    sensors_ = parts.makeIntelSensorController(*model_);
  }
  network_ = parts.makeNetworkController(*model_);
  fans_ = parts.makeFanController(*model_);
  batteries_ = parts.makeBatteriesController(*model_);
}

}  // namespace tellwick
