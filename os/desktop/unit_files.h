#ifndef TELLWICK_OS_DESKTOP_UNIT_FILES_H_
#define TELLWICK_OS_DESKTOP_UNIT_FILES_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/result.h"

namespace tellwick::os {

// The unit files of the user's service manager: their state, enabling and
// disabling them, and having the manager read them again. Calls block for at
// most a few seconds; one object from one thread at a time.
class UnitFileManager {
 public:
  UnitFileManager() = default;
  UnitFileManager(const UnitFileManager&) = delete;
  UnitFileManager& operator=(const UnitFileManager&) = delete;
  virtual ~UnitFileManager() = default;

  // The manager's word for unit's file ("enabled", "disabled", "static",
  // "masked", ...); nullopt when it knows no such unit. Fails when the
  // manager cannot be asked.
  virtual Result<std::optional<std::string>> unitFileState(const std::string& unit) = 0;

  // Enables (installs the links of) or disables units, persistently.
  virtual Status enableUnitFiles(const std::vector<std::string>& units) = 0;
  virtual Status disableUnitFiles(const std::vector<std::string>& units) = 0;

  // Has the manager read every unit file again.
  virtual Status reload() = 0;
};

// The systemd user manager (org.freedesktop.systemd1 on the session bus),
// over a connection of its own (library tellwick_os_desktop).
Result<std::unique_ptr<UnitFileManager>> newLinuxUnitFileManager();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_DESKTOP_UNIT_FILES_H_
