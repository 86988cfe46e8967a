#ifndef TELLWICK_OS_BUS_USER_BUS_LINUX_H_
#define TELLWICK_OS_BUS_USER_BUS_LINUX_H_

// For the Linux implementations only: the sd-bus connection they share.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>

#include "os/bus/bus_names.h"
#include "os/result.h"

namespace tellwick::os {

// A new connection to the user's session bus whose method calls give up
// after callTimeoutUs, owned by the caller (sd_bus_unref); why not otherwise.
inline Result<sd_bus*> openUserBus(std::uint64_t callTimeoutUs) {
  sd_bus* bus = nullptr;
  int r = sd_bus_open_user(&bus);
  if (r >= 0) r = sd_bus_set_method_call_timeout(bus, callTimeoutUs);
  if (r < 0) {
    sd_bus_unref(bus);
    return failure(errnoMessage("cannot connect to the session bus", -r));
  }
  return bus;
}

// The names of an open connection, which stays the caller's and must
// outlive them; replies to start requests are dispatched with the
// connection's other messages.
std::unique_ptr<BusNames> newBusNamesOn(sd_bus* bus);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_USER_BUS_LINUX_H_
