#ifndef TELLWICK_PLATFORM_MAIN_APP_AUTO_START_CONTROLLER_H_
#define TELLWICK_PLATFORM_MAIN_APP_AUTO_START_CONTROLLER_H_

#include <optional>
#include <string>

#include "os/desktop/desktop.h"
#include "os/desktop/unit_files.h"
#include "platform/auto_start_controller.h"

namespace tellwick {

enum class AutoStartStatus { notRegistered, enabled, requiresApproval, notFound };

// The status a unit file state stands for: enabled (also for the current
// boot only) → enabled; masked → requires approval (the user must unmask
// it); no such unit → not found; anything else (disabled, static, linked,
// ...) → not registered.
AutoStartStatus statusForUnitFileState(const std::optional<std::string>& state);

// Auto-start of the helper itself as a systemd user unit, enabled and
// disabled through the user's service manager. loginItem is the starter
// entry that an earlier way of starting may have left enabled. A masked
// unit cannot be enabled here: setEnabled(true) then opens unitFolder, where
// the mask lives, for the user to lift. The seams must outlive the
// controller.
class MainAppAutoStartController final : public IAutoStartController {
 public:
  MainAppAutoStartController(std::string unit, os::UnitFileManager& manager,
                             IAutoStartController& loginItem, os::Desktop& desktop, std::string unitFolder);

  // The unit's status, looked up afresh; not found when the manager cannot
  // be asked.
  AutoStartStatus status();

  bool isEnabled() override;
  // When the starter entry is enabled: enables the unit and, once it is
  // enabled, disables the starter.
  void retireStarter() override;
  void setEnabled(bool flag) override;
  void enable() override;
  void disable() override;

 private:
  const std::string unit_;
  os::UnitFileManager& manager_;
  IAutoStartController& loginItem_;
  os::Desktop& desktop_;
  const std::string unitFolder_;
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_MAIN_APP_AUTO_START_CONTROLLER_H_
