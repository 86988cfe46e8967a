#ifndef TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_
#define TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_

#include "battery/shell_controller.h"
#include "os/bus/notification_center.h"
#include "platform/pending_requests.h"
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

  // Main thread. Returns at once when the finder refreshes without blocking;
  // requests arriving during a refresh share the next one.
  void updateBatteries() override;

 private:
  void store();

  IHelperDataModel& model_;
  os::NotificationCenter& center_;
  IShellController& controller_;
  PendingRequests requests_{[this] { controller_.refresh([this] { store(); }); }};
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_
