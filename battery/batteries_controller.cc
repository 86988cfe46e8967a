#include "battery/batteries_controller.h"

#include "protocol/distributed_notifications.h"
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
  for (int answered = requests_.finish(); answered > 0; --answered) {
    DistributedNotifications::post(center_, HelperNotifications::responseBatteries);
  }
}

}  // namespace tellwick
