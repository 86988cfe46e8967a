#ifndef TELLWICK_OS_BUS_SESSION_BUS_H_
#define TELLWICK_OS_BUS_SESSION_BUS_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "os/bus/application.h"
#include "os/bus/bus_names.h"
#include "os/bus/main_queue.h"
#include "os/bus/notification_center.h"
#include "os/result.h"

namespace tellwick::os {

// A connection to the user's message bus, with the loop that dispatches
// what arrives on it. Everything here runs on the thread that connected.
class SessionBus {
 public:
  SessionBus() = default;
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;
  virtual ~SessionBus() = default;

  // The notification center carried by this connection; lives as long as
  // the bus object.
  virtual NotificationCenter& notificationCenter() = 0;

  // Work dispatched here runs on this bus's loop (inside runUntil or the
  // application's run), from whatever thread it was handed in; lives as long
  // as the bus object.
  virtual MainQueue& mainQueue() = 0;

  // Takes the well-known name for this connection, without queueing behind
  // an owner; on failure, one line saying why not.
  virtual Status claimName(const std::string& name) = 0;

  // The names on this bus, asked over this connection: the answer to a
  // start request is dispatched by this loop. Lives as long as the bus
  // object.
  virtual BusNames& names() = 0;

  // Dispatches incoming notifications until done() returns true (checked
  // after every dispatch), the timeout passes or the connection is lost.
  // Returns done()'s final value.
  virtual bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) = 0;

  // Blocks until every post made so far has been handed to the bus and every
  // observer registered so far is in place there.
  virtual void flush() = 0;

  // False once the connection has been lost.
  virtual bool connected() = 0;

  // The main loop of a program that serves on this bus: it stops on
  // terminate, SIGTERM, SIGINT, or when the connection is lost (non-zero
  // exit). The application must not outlive the bus.
  virtual std::unique_ptr<Application> makeApplication() = 0;
};

// Connects to the bus named by DBUS_SESSION_BUS_ADDRESS, else to the user bus
// at $XDG_RUNTIME_DIR/bus. Fails with one line saying what was tried.
//
// The socket is spoken to directly, without sd-bus: a client that lives for
// one request pays for no library, and the connection's first steps leave
// in one write with whatever the client asks next. A registration is sent
// without waiting for the bus: it takes effect before anything this
// connection sends after it, and once flush() has returned, before anything
// another program sends. Addresses other than local sockets go through
// connectServingSessionBus.
Result<std::unique_ptr<SessionBus>> connectSessionBus();

// The same bus through sd-bus and sd-event, for a program that serves on it
// for long and whose other event sources join the loop (the helper).
// addObserver returns once the bus routes the name to the connection.
Result<std::unique_ptr<SessionBus>> connectServingSessionBus();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_SESSION_BUS_H_
