#include "platform/main_app_auto_start_controller.h"

namespace tellwick {

AutoStartStatus statusForUnitFileState(const std::optional<std::string>& state) {
  if (!state) return AutoStartStatus::notFound;
  if (*state == "enabled" || *state == "enabled-runtime") return AutoStartStatus::enabled;
  if (*state == "masked" || *state == "masked-runtime") return AutoStartStatus::requiresApproval;
  return AutoStartStatus::notRegistered;
}

MainAppAutoStartController::MainAppAutoStartController(std::string unit, os::UnitFileManager& manager,
                                                       IAutoStartController& loginItem,
                                                       os::Desktop& desktop, std::string unitFolder)
    : unit_(std::move(unit)),
      manager_(manager),
      loginItem_(loginItem),
      desktop_(desktop),
      unitFolder_(std::move(unitFolder)) {}

AutoStartStatus MainAppAutoStartController::status() {
  auto state = manager_.unitFileState(unit_);
  if (!state) return AutoStartStatus::notFound;
  return statusForUnitFileState(*state);
}

bool MainAppAutoStartController::isEnabled() { return status() == AutoStartStatus::enabled; }

// The unit goes first and the starter only once the unit is enabled: in the
// other order a unit that cannot be enabled (no user manager, a mask) would
// leave the user with neither.
void MainAppAutoStartController::retireStarter() {
  if (!loginItem_.isEnabled()) return;
  enable();
  if (isEnabled()) loginItem_.disable();
}

void MainAppAutoStartController::setEnabled(bool flag) {
  if (status() == AutoStartStatus::requiresApproval) {
    if (!unitFolder_.empty()) (void)desktop_.open(unitFolder_);
    return;
  }
  if (flag) {
    enable();
  } else {
    disable();
  }
}

// The manager must read the unit files again before a change counts.
void MainAppAutoStartController::enable() {
  if (manager_.enableUnitFiles({unit_}).ok()) (void)manager_.reload();
}

void MainAppAutoStartController::disable() {
  if (manager_.disableUnitFiles({unit_}).ok()) (void)manager_.reload();
}

}  // namespace tellwick
