#ifndef TELLWICK_OS_BUS_BUS_NAMES_H_
#define TELLWICK_OS_BUS_BUS_NAMES_H_

#include <memory>
#include <string>

#include "os/result.h"

namespace tellwick::os {

// Well-known names on the user's message bus: whether one has an owner, and
// asking the bus to start the program that provides one (activation through
// the bus's service files). Calls block for at most a few seconds; use one
// object from one thread at a time.
class BusNames {
 public:
  BusNames() = default;
  BusNames(const BusNames&) = delete;
  BusNames& operator=(const BusNames&) = delete;
  virtual ~BusNames() = default;

  // Whether some connection owns name now; false when the bus cannot be
  // asked.
  virtual bool nameHasOwner(const std::string& name) = 0;

  // Asks the bus to start the provider of name and returns without waiting
  // for it: success means the request went out, not that the program runs.
  // Fails, saying why, when the bus knows no service file for name or cannot
  // be reached.
  virtual Status startService(const std::string& name) = 0;
};

// The names of the session bus (DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus), over a connection of its own.
Result<std::unique_ptr<BusNames>> newLinuxBusNames();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_BUS_NAMES_H_
