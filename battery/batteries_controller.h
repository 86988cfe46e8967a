#ifndef TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_
#define TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_

#include "battery/shell_controller.h"
#include "os/notification_center.h"
#include "protocol/controllers.h"
#include "protocol/helper_data_model.h"

namespace tellwick {

// Answers "RequestBatteries": refreshes the finder, stores its single and
// double devices as two lists (both always, empty ones too) and then posts
// "ResponseBatteries". Holds only its collaborators, which must outlive it.
class BatteriesController final : public IBatteriesController {
 public:
  BatteriesController(IHelperDataModel& model, os::NotificationCenter& center,
                      IShellController& controller)
      : model_(model), center_(center), controller_(controller) {}

  // Blocks the calling thread (the main thread) for the profiler's run.
  void updateBatteries() override;

 private:
  IHelperDataModel& model_;
  os::NotificationCenter& center_;
  IShellController& controller_;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_
