#include "battery/batteries_controller.h"

#include "protocol/helper_notifications.h"

namespace tellwick {

void BatteriesController::updateBatteries() { requests_.arrive(); }

void BatteriesController::store() {
  SingleBatteryDevices singles;
  DoubleBatteryDevices doubles;
  for (const auto& device : controller_.devices()) {
    if (auto single = std::dynamic_pointer_cast<SingleBatteryDevice>(device)) {
      singles.push_back(std::move(single));
    } else if (auto pair = std::dynamic_pointer_cast<DoubleBatteryDevice>(device)) {
      doubles.push_back(std::move(pair));
    }
  }
  model_.setSingleBatteryDevices(singles);
  model_.setDoubleBatteryDevices(doubles);
  postResponse(center_, HelperNotifications::responseBatteries, model_, requests_.finish());
}

}  // namespace tellwick
