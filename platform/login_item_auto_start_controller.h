#ifndef TELLWICK_PLATFORM_LOGIN_ITEM_AUTO_START_CONTROLLER_H_
#define TELLWICK_PLATFORM_LOGIN_ITEM_AUTO_START_CONTROLLER_H_

#include <optional>
#include <string>

#include "os/bus/bus_names.h"
#include "os/bus/notification_center.h"
#include "os/files/file_system.h"
#include "platform/auto_start_controller.h"
#include "platform/desktop_entry.h"

namespace tellwick {

// Auto-start through an XDG autostart entry called <starterIdentifier>.desktop
// that starts program. The jobs are the entries of the user's autostart
// folder, then those of the system's folders, a user entry hiding a system
// entry of the same name; the first whose file name contains
// starterIdentifier and that parses decides isEnabled. setEnabled writes the
// user's entry (with Hidden=true to disable, which hides a system entry
// too). The seams must outlive the controller.
class LoginItemAutoStartController final : public IAutoStartController {
 public:
  LoginItemAutoStartController(std::string starterIdentifier,
                               std::optional<std::string> bundleIdentifier, AutoStartFolders folders,
                               std::string program, os::FileSystem& files, os::BusNames& names,
                               os::NotificationCenter& center);

  bool isEnabled() override;
  // Posts "killme" (object: bundleIdentifier) when the starter's bus name,
  // starterIdentifier, has an owner.
  void retireStarter() override;
  void setEnabled(bool flag) override;
  void enable() override { setEnabled(true); }
  void disable() override { setEnabled(false); }

  // The entry setEnabled writes; nullopt when program cannot be an Exec
  // value.
  static std::optional<std::string> entryText(const std::string& program, bool enabled);

 private:
  const std::string starterIdentifier_;
  const std::optional<std::string> bundleIdentifier_;
  const AutoStartFolders folders_;
  const std::string program_;
  os::FileSystem& files_;
  os::BusNames& names_;
  os::NotificationCenter& center_;
};

}  // namespace tellwick

#endif  // TELLWICK_PLATFORM_LOGIN_ITEM_AUTO_START_CONTROLLER_H_
