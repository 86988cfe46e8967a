#ifndef TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_
#define TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_

#include "battery/shell_controller.h"
#include "os/notification_center.h"
#include "os/process_runner.h"
#include "profiler/profiler_controller.h"
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

// The battery request handler with the finder it runs, for the Bluetooth
// data type, wired once: what the composition root hands out as its
// IBatteriesController. The runner, store and center must outlive it; not
// copyable or movable, since its parts point at each other.
class ProfilerBatteries final : public IBatteriesController {
 public:
  ProfilerBatteries(os::ProcessRunner& runner, IHelperDataModel& model,
                    os::NotificationCenter& center)
      : profiler_(runner, Services::bluetooth()),
        finder_(profiler_),
        batteries_(model, center, finder_) {}
  ProfilerBatteries(const ProfilerBatteries&) = delete;
  ProfilerBatteries& operator=(const ProfilerBatteries&) = delete;

  void updateBatteries() override { batteries_.updateBatteries(); }

 private:
  ProfilerController profiler_;
  ShellController finder_;
  BatteriesController batteries_;
};

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_BATTERIES_CONTROLLER_H_
