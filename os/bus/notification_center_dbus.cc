// The notification channel and the main loop over the user's D-Bus session
// bus, with sd-bus and sd-event.
//
// Wire contract, shared with every other program on the bus: a post is a
// broadcast signal on path /com/quorvane/DistributedNotifications, interface
// com.quorvane.DistributedNotifications, member Notification, whose body is
// (s) with the name or (ss) with the name and the object. Observers match on
// path, interface, member and arg0 (plus arg1 for an object filter), so a
// sender may append further arguments and still be heard, but the same
// signal emitted from any other object path is not ours and goes unheard.

#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "os/bus/session_bus.h"
#include "os/bus/termination_pipe.h"
#include "os/bus/user_bus_linux.h"

namespace tellwick::os {
namespace {

constexpr const char* kPath = "/com/quorvane/DistributedNotifications";
constexpr const char* kInterface = "com.quorvane.DistributedNotifications";
constexpr const char* kMember = "Notification";

// The bus daemon and sd-bus disagree on escapes inside a quoted match value
// (the daemon takes a backslash literally, sd-bus as an escape), so a value
// holding a quote or a backslash cannot be put in a rule that both read the
// same way. Such a value is left out of the rule and checked on arrival.
bool fitsInMatchRule(const std::string& value) {
  return value.find_first_of("'\\") == std::string::npos;
}

// Bus addresses percent-escape everything outside a small safe set.
std::string escapedAddressValue(const std::string& value) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : value) {
    bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '-' || c == '_' || c == '/' || c == '.' || c == '\\' || c == '*';
    if (safe) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xf];
    }
  }
  return out;
}

// Work from other threads reaches the loop through an eventfd that sd-event
// watches: sd-bus and sd-event may only be touched from the loop's thread.
class EventMainQueue final : public MainQueue {
 public:
  explicit EventMainQueue(sd_event* event)
      : event_(event), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wake_ >= 0 &&
        sd_event_add_io(event, &source_, wake_, EPOLLIN, &EventMainQueue::onWake, this) < 0) {
      source_ = nullptr;
    }
  }

  ~EventMainQueue() override {
    sd_event_source_unref(source_);
    if (wake_ >= 0) ::close(wake_);
  }

  void dispatch(std::function<void()> work) override {
    std::lock_guard lock(mutex_);
    if (!source_ || closed_) return;
    // Work queued while earlier work waits rides on that work's wake-up:
    // the loop reads the eventfd before it takes the queue, so nothing
    // queued after that read is left behind.
    const bool waking = !work_.empty();
    work_.push_back(std::move(work));
    if (waking) return;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
  }

  std::unique_ptr<LoopWatch> watchReadable(int fd, std::function<void()> onReadable) override {
    auto watch = std::make_unique<IoWatch>(std::move(onReadable));
    if (sd_event_add_io(event_, &watch->source, fd, EPOLLIN, &IoWatch::onReadable, watch.get()) < 0) {
      return nullptr;
    }
    // What arrives there changes the machine; a request that arrives with
    // it is served after it.
    sd_event_source_set_priority(watch->source, SD_EVENT_PRIORITY_IMPORTANT);
    return watch;
  }

  // The loop has stopped for good: what is queued, and what comes later,
  // is dropped.
  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    work_.clear();
  }

 private:
  struct IoWatch final : LoopWatch {
    explicit IoWatch(std::function<void()> handler) : handler(std::move(handler)) {}
    ~IoWatch() override { sd_event_source_disable_unref(source); }
    static int onReadable(sd_event_source*, int, std::uint32_t, void* userdata) {
      static_cast<IoWatch*>(userdata)->handler();
      return 0;
    }
    std::function<void()> handler;
    sd_event_source* source = nullptr;
  };

  static int onWake(sd_event_source*, int fd, std::uint32_t, void* userdata) {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(fd, &count, sizeof count);
    auto* self = static_cast<EventMainQueue*>(userdata);
    std::deque<std::function<void()>> work;
    {
      std::lock_guard lock(self->mutex_);
      work.swap(self->work_);
    }
    for (auto& item : work) item();
    return 0;
  }

  sd_event* event_;
  int wake_;
  sd_event_source* source_ = nullptr;
  std::mutex mutex_;
  std::deque<std::function<void()>> work_;
  bool closed_ = false;
};

class DBusNotificationCenter final : public NotificationCenter {
 public:
  DBusNotificationCenter(sd_bus* bus, MainQueue& loop)
      : bus_(bus), loop_(loop), owner_(std::this_thread::get_id()) {}

  ~DBusNotificationCenter() override {
    for (auto& r : registrations_) sd_bus_slot_unref(r->slot);
  }

  void addObserver(const void* observer, const std::string& name,
                   const std::optional<std::string>& object, Handler handler) override {
    auto registration = std::make_unique<Registration>();
    registration->observer = observer;
    registration->name = name;
    registration->object = object;
    registration->handler = std::move(handler);
    std::string rule = std::string("type='signal',path='") + kPath + "',interface='" + kInterface +
                       "',member='" + kMember + "'";
    if (fitsInMatchRule(name)) rule += ",arg0='" + name + "'";
    if (object && fitsInMatchRule(*object)) rule += ",arg1='" + *object + "'";
    // Synchronous on purpose: once this returns the bus routes the name to
    // us, so an announcement posted next cannot overtake the registration.
    if (sd_bus_add_match(bus_, &registration->slot, rule.c_str(), &DBusNotificationCenter::onSignal,
                         registration.get()) < 0) {
      return;
    }
    registrations_.push_back(std::move(registration));
  }

  void removeObserver(const void* observer, const std::string& name) override {
    for (auto it = registrations_.begin(); it != registrations_.end();) {
      if ((*it)->observer == observer && (*it)->name == name) {
        sd_bus_slot_unref((*it)->slot);
        it = registrations_.erase(it);
      } else {
        ++it;
      }
    }
  }

  void post(const std::string& name, const std::optional<std::string>& object) override {
    // sd-bus is not thread-safe: a post from another thread is sent by the
    // loop, in the order handed over.
    if (std::this_thread::get_id() != owner_) {
      loop_.dispatch([this, name, object] { post(name, object); });
      return;
    }
    if (object) {
      sd_bus_emit_signal(bus_, kPath, kInterface, kMember, "ss", name.c_str(), object->c_str());
    } else {
      sd_bus_emit_signal(bus_, kPath, kInterface, kMember, "s", name.c_str());
    }
  }

 private:
  struct Registration {
    const void* observer = nullptr;
    std::string name;
    std::optional<std::string> object;
    Handler handler;
    sd_bus_slot* slot = nullptr;
  };

  static int onSignal(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto* registration = static_cast<Registration*>(userdata);
    const char* path = sd_bus_message_get_path(message);
    if (path == nullptr || std::strcmp(path, kPath) != 0) return 0;
    if (sd_bus_message_rewind(message, 1) < 0) return 0;
    const char* name = nullptr;
    if (sd_bus_message_read_basic(message, 's', &name) <= 0 || registration->name != name) return 0;
    Notification notification{name, std::nullopt};
    char type = 0;
    if (sd_bus_message_peek_type(message, &type, nullptr) > 0 && type == 's') {
      const char* object = nullptr;
      if (sd_bus_message_read_basic(message, 's', &object) > 0) notification.object = object;
    }
    if (registration->object && registration->object != notification.object) return 0;
    // The handler may remove its own registration; run a copy.
    Handler handler = registration->handler;
    handler(notification);
    return 0;
  }

  sd_bus* bus_;
  MainQueue& loop_;
  std::thread::id owner_;
  std::list<std::unique_ptr<Registration>> registrations_;
};

class DBusSessionBus final : public SessionBus {
 public:
  DBusSessionBus(sd_bus* bus, sd_event* event)
      : bus_(bus),
        event_(event),
        queue_(std::make_unique<EventMainQueue>(event)),
        center_(std::make_unique<DBusNotificationCenter>(bus, *queue_)),
        names_(newBusNamesOn(bus)) {
    sd_bus_add_filter(bus_, &disconnectFilter_, &DBusSessionBus::onAnyMessage, this);
  }

  ~DBusSessionBus() override {
    // Match slots keep the bus referenced; release them before the bus.
    names_.reset();
    center_.reset();
    queue_.reset();
    sd_bus_slot_unref(disconnectFilter_);
    sd_bus_flush_close_unref(bus_);
    sd_event_unref(event_);
  }

  NotificationCenter& notificationCenter() override { return *center_; }
  MainQueue& mainQueue() override { return *queue_; }
  BusNames& names() override { return *names_; }

  Status claimName(const std::string& name) override {
    int r = sd_bus_request_name(bus_, name.c_str(), 0);
    if (r == -EEXIST) return failure("another process already owns the bus name " + name);
    if (r < 0) return failure(errnoMessage("cannot take the bus name " + name, -r));
    return {};
  }


  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (!connected()) break;
      auto left = std::chrono::duration_cast<std::chrono::microseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      if (sd_event_run(event_, static_cast<std::uint64_t>(left.count())) < 0) break;
    }
    return done();
  }

  // The application's loop: no deadline at all.
  void runForever(const std::function<bool()>& done) {
    while (!done() && connected()) {
      if (sd_event_run(event_, UINT64_MAX) < 0) break;
    }
  }

  void flush() override {
    if (connected()) sd_bus_flush(bus_);
  }

  bool connected() override { return !lost_ && sd_bus_is_open(bus_) > 0; }

  std::unique_ptr<Application> makeApplication() override;

  sd_event* event() { return event_; }
  void stopQueue() { queue_->close(); }

 private:
  static int onAnyMessage(sd_bus_message* message, void* userdata, sd_bus_error*) {
    if (sd_bus_message_is_signal(message, "org.freedesktop.DBus.Local", "Disconnected") > 0) {
      static_cast<DBusSessionBus*>(userdata)->lost_ = true;
    }
    return 0;
  }

  sd_bus* bus_;
  sd_event* event_;
  std::unique_ptr<EventMainQueue> queue_;
  std::unique_ptr<DBusNotificationCenter> center_;
  std::unique_ptr<BusNames> names_;
  sd_bus_slot* disconnectFilter_ = nullptr;
  bool lost_ = false;
};

class BusApplication final : public Application {
 public:
  explicit BusApplication(DBusSessionBus& bus) : bus_(bus) {}

  ~BusApplication() override { uninstallSignals(); }

  ApplicationExit run(ApplicationDelegate& delegate) override {
    installSignals();
    delegate.applicationDidFinishLaunching();
    bus_.runForever([this] { return stopRequested_; });
    bool lost = !stopRequested_;
    delegate.applicationWillTerminate();
    bus_.flush();
    bus_.stopQueue();
    uninstallSignals();
    if (lost) return {1, "lost the connection to the session bus"};
    return {0, {}};
  }

  void terminate(const void* sender) override {
    sender_ = sender;
    stopRequested_ = true;
  }

  const void* sender() const { return sender_; }

 private:
  void installSignals() {
    if (signals_) return;
    signals_ = std::make_unique<TerminationPipe>();
    if (signals_->readEnd() < 0 || sd_event_add_io(bus_.event(), &signalSource_, signals_->readEnd(), EPOLLIN,
                                                   &BusApplication::onSignalPipe, this) < 0) {
      signals_.reset();
    }
  }

  void uninstallSignals() {
    signalSource_ = sd_event_source_unref(signalSource_);
    signals_.reset();
  }

  static int onSignalPipe(sd_event_source*, int, std::uint32_t, void* userdata) {
    auto* self = static_cast<BusApplication*>(userdata);
    self->signals_->drain();
    self->terminate(self);
    return 0;
  }

  DBusSessionBus& bus_;
  bool stopRequested_ = false;
  const void* sender_ = nullptr;
  std::unique_ptr<TerminationPipe> signals_;
  sd_event_source* signalSource_ = nullptr;
};

std::unique_ptr<Application> DBusSessionBus::makeApplication() {
  return std::make_unique<BusApplication>(*this);
}

}  // namespace

Result<std::unique_ptr<SessionBus>> connectServingSessionBus() {
  std::string address;
  std::string described;
  const char* fromEnvironment = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (fromEnvironment && *fromEnvironment) {
    address = fromEnvironment;
    described = "DBUS_SESSION_BUS_ADDRESS=" + address;
  } else if (runtimeDir && *runtimeDir) {
    std::string path = std::string(runtimeDir) + "/bus";
    address = "unix:path=" + escapedAddressValue(path);
    described = path + " (DBUS_SESSION_BUS_ADDRESS is unset)";
  } else {
    return failure("no session bus: neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR is set");
  }

  sd_bus* bus = nullptr;
  int r = sd_bus_new(&bus);
  if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
  if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
  if (r >= 0) r = sd_bus_start(bus);
  // The handshake finishes lazily; ask for our unique name so that a dead
  // socket or a refused authentication shows up here, not at the first post.
  const char* unique = nullptr;
  if (r >= 0) r = sd_bus_get_unique_name(bus, &unique);
  if (r < 0) {
    sd_bus_flush_close_unref(bus);
    return failure(errnoMessage("cannot connect to the session bus at " + described, -r));
  }
  sd_event* event = nullptr;
  r = sd_event_new(&event);
  if (r >= 0) r = sd_bus_attach_event(bus, event, SD_EVENT_PRIORITY_NORMAL);
  if (r < 0) {
    sd_bus_flush_close_unref(bus);
    sd_event_unref(event);
    return failure(errnoMessage("cannot set up the event loop", -r));
  }
  return std::unique_ptr<SessionBus>(std::make_unique<DBusSessionBus>(bus, event));
}

}  // namespace tellwick::os
