#ifndef TELLWICK_OS_BUS_BUS_NAMES_H_
#define TELLWICK_OS_BUS_BUS_NAMES_H_

#include <functional>
#include <string>

#include "os/result.h"

namespace tellwick::os {

// Well-known names on the user's message bus: whether one has an owner, and
// asking the bus to start the program that provides one (activation through
// the bus's service files, or through the systemd user manager where the bus
// hands starts to it). A session bus's come from SessionBus::names. Calls
// block for at most the bus's call timeout; on the bus's thread.
class BusNames {
 public:
  // The bus's answer to a start request: success once the program owns the
  // name (or already did), else the bus's own reason (no service file, a
  // program that cannot be run or exits first, a masked or unknown unit).
  using StartReply = std::function<void(const Status&)>;

  BusNames() = default;
  BusNames(const BusNames&) = delete;
  BusNames& operator=(const BusNames&) = delete;
  virtual ~BusNames() = default;

  // Whether some connection owns name now; false when the bus cannot be
  // asked.
  virtual bool nameHasOwner(const std::string& name) = 0;

  // Asks the bus to start the provider of name and returns without waiting
  // for it: success means the request went out. With replied set, the bus's
  // answer is handed to it once, later, by the loop of the session bus these
  // names belong to; without, no answer is asked for.
  virtual Status startService(const std::string& name, StartReply replied) = 0;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_BUS_NAMES_H_
