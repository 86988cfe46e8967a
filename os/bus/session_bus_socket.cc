// The session bus spoken directly over its socket, for the clients.
// Loading libsystemd and the six libraries it brings took a millisecond of
// every tellwickctl run, more than the request itself, and sd-bus waits for
// each step of a connection in turn; here the greeting, Hello and what the
// program asks next leave in one write, and match rules and signals are
// sent without waiting for the bus's replies (flush() waits for the rules).
//
// The wire contract is that of notification_center_dbus.cc: a post is the
// signal Notification on /com/quorvane/DistributedNotifications, interface
// com.quorvane.DistributedNotifications, body (s) or (ss); observers match
// on path, interface, member and arg0 (arg1 for an object filter).

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "os/bus/dbus_wire.h"
#include "os/bus/session_bus.h"
#include "os/bus/termination_pipe.h"

namespace tellwick::os {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kPath = "/com/quorvane/DistributedNotifications";
constexpr const char* kInterface = "com.quorvane.DistributedNotifications";
constexpr const char* kMember = "Notification";
constexpr const char* kBus = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
// A bus that does not answer a call within this is taken as unable to.
constexpr auto kCallTimeout = 10s;
// The greeting the bus sends before messages: "OK <guid>" or a refusal.
constexpr std::size_t kMaxGreeting = 512;

// A quote or a backslash cannot be put in a match rule that the daemon and
// other libraries read alike; such a value is checked on arrival instead.
bool fitsInMatchRule(const std::string& value) {
  return value.find_first_of("'\\") == std::string::npos;
}

struct SocketAddress {
  sockaddr_un address{};
  socklen_t length = 0;
};

// path, or with abstract the name in the abstract namespace; nullopt when
// it does not fit.
std::optional<SocketAddress> socketAddress(const std::string& path, bool abstract) {
  SocketAddress out;
  out.address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof out.address.sun_path) return std::nullopt;
  std::memcpy(out.address.sun_path + (abstract ? 1 : 0), path.data(), path.size());
  // A path ends in its zero byte, an abstract name starts with one.
  out.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return out;
}

// The socket addresses of a bus address list, in order.
std::vector<SocketAddress> socketAddresses(std::string_view list) {
  std::vector<SocketAddress> out;
  for (const auto& socket : dbus::localSockets(list)) {
    if (auto address = socketAddress(socket.path, socket.abstract)) out.push_back(*address);
  }
  return out;
}

// Work from other threads reaches the loop through an eventfd it watches.
class SocketMainQueue final : public MainQueue {
 public:
  SocketMainQueue() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~SocketMainQueue() override {
    if (wake_ >= 0) ::close(wake_);
  }

  void dispatch(std::function<void()> work) override {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    // Work queued while earlier work waits rides on that work's wake-up:
    // the loop reads the eventfd before it takes the queue, so nothing
    // queued after that read is left behind.
    const bool waking = !work_.empty();
    work_.push_back(std::move(work));
    if (waking) return;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
  }

  int descriptor() const { return wake_; }

  void runQueued() {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(wake_, &count, sizeof count);
    std::deque<std::function<void()>> work;
    {
      std::lock_guard lock(mutex_);
      work.swap(work_);
    }
    for (auto& item : work) item();
  }

  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    work_.clear();
  }

  std::unique_ptr<LoopWatch> watchReadable(int fd, std::function<void()> onReadable) override {
    if (fd < 0) return nullptr;
    return std::make_unique<Watch>(*this, fd, std::move(onReadable));
  }

  // Adds a pollfd per watched descriptor to fds.
  void addWatched(std::vector<pollfd>& fds) const {
    for (const Watch* w : watches_) fds.push_back({w->fd, POLLIN, 0});
  }

  // Runs the handler of each watched descriptor that fds, from first on,
  // says is readable; one a handler ended is skipped.
  void runWatched(const std::vector<pollfd>& fds, std::size_t first) {
    const std::vector<Watch*> watched = watches_;
    for (std::size_t i = 0; i < watched.size() && first + i < fds.size(); ++i) {
      if (!fds[first + i].revents) continue;
      if (std::find(watches_.begin(), watches_.end(), watched[i]) == watches_.end()) continue;
      auto handler = watched[i]->handler;
      handler();
    }
  }

 private:
  struct Watch final : LoopWatch {
    Watch(SocketMainQueue& queue, int fd, std::function<void()> handler)
        : queue(queue), fd(fd), handler(std::move(handler)) {
      queue.watches_.push_back(this);
    }
    ~Watch() override { std::erase(queue.watches_, this); }
    SocketMainQueue& queue;
    int fd;
    std::function<void()> handler;
  };

  std::vector<Watch*> watches_;  // the loop's thread only
  int wake_;
  std::mutex mutex_;
  std::deque<std::function<void()>> work_;
  bool stopped_ = false;
};

class SocketSessionBus;

class SocketNotificationCenter final : public NotificationCenter {
 public:
  explicit SocketNotificationCenter(SocketSessionBus& bus) : bus_(bus), owner_(std::this_thread::get_id()) {}

  void addObserver(const void* observer, const std::string& name,
                   const std::optional<std::string>& object, Handler handler) override;
  void removeObserver(const void* observer, const std::string& name) override;
  void post(const std::string& name, const std::optional<std::string>& object) override;

  // Runs the handlers the notification in message is for.
  void deliver(const dbus::Message& message);

 private:
  struct Registration {
    std::uint64_t id;
    const void* observer;
    std::string name;
    std::optional<std::string> object;
    Handler handler;
    std::string rule;
  };

  SocketSessionBus& bus_;
  std::thread::id owner_;
  std::list<Registration> registrations_;
  std::uint64_t nextId_ = 1;
};

class SocketSessionBus final : public SessionBus {
 public:
  explicit SocketSessionBus(int fd) : fd_(fd), center_(*this) {
    out_.assign("\0AUTH EXTERNAL ", 15);
    static constexpr char kHex[] = "0123456789abcdef";
    for (char c : std::to_string(::getuid())) {
      out_ += kHex[static_cast<unsigned char>(c) >> 4];
      out_ += kHex[c & 0xf];
    }
    out_ += "\r\nBEGIN\r\n";
    call("Hello", {}, 0);
  }

  ~SocketSessionBus() override {
    queue_.stop();
    if (fd_ >= 0) {
      writeSome(true);
      ::close(fd_);
    }
  }

  NotificationCenter& notificationCenter() override { return center_; }
  MainQueue& mainQueue() override { return queue_; }

  Status claimName(const std::string& name) override {
    // DBUS_NAME_FLAG_DO_NOT_QUEUE: fail rather than wait behind the owner.
    auto reply = callAndWait("RequestName", {dbus::text(name), dbus::number(4)});
    if (!reply) return failure(errnoMessage("cannot take the bus name " + name, ETIMEDOUT));
    if (reply->type == dbus::MessageType::error) {
      return failure("cannot take the bus name " + name + ": " +
                     (reply->strings.empty() ? reply->errorName : reply->strings[0]));
    }
    if (reply->number == 3u) return failure("another process already owns the bus name " + name);
    if (reply->number != 1u && reply->number != 4u) return failure("the bus did not give the name " + name);
    return {};
  }

  BusNames& names() override { return names_; }

  bool nameHasOwner(const std::string& name) {
    auto reply = callAndWait("NameHasOwner", {dbus::text(name)});
    return reply && reply->type == dbus::MessageType::methodReturn && reply->number.value_or(0) != 0;
  }

  Status startService(const std::string& name, BusNames::StartReply replied) {
    // The bus answers once the program owns its name or has failed; it gives
    // up on a start itself and says so, so no deadline of ours.
    const std::uint32_t serial =
        call("StartServiceByName", {dbus::text(name), dbus::number(0)}, replied ? 0 : dbus::kNoReplyExpected);
    if (replied) starts_.emplace(serial, std::move(replied));
    writeSome(true);
    if (lost_) return failure("cannot ask the session bus to start " + name + ": the connection is lost");
    return {};
  }

  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override {
    return loop(done, Clock::now() + timeout, -1, nullptr);
  }

  // Writes everything, then waits until the bus has taken every rule sent
  // so far; the answers to requests posted meanwhile are on their way.
  void flush() override {
    const auto deadline = Clock::now() + kCallTimeout;
    while (!lost_ && (!out_.empty() || !rulesPending_.empty()) && Clock::now() < deadline) {
      if (writeSome(false) && rulesPending_.empty()) break;
      if (waitFor(static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), deadline)) readSome();
    }
  }

  // Queues a match rule; the bus's reply says it is in place.
  void addRule(const std::string& rule) { rulesPending_.insert(call("AddMatch", {dbus::text(rule)}, 0)); }

  bool connected() override { return !lost_; }

  std::unique_ptr<Application> makeApplication() override;

  void stopQueue() { queue_.stop(); }

  // Queues a message; it leaves with the next write.
  std::uint32_t send(dbus::Header header, const std::vector<dbus::Argument>& body) {
    header.serial = nextSerial_++;
    if (nextSerial_ == 0) nextSerial_ = 1;
    dbus::appendMessage(out_, header, body);
    return header.serial;
  }

  std::uint32_t call(const char* member, const std::vector<dbus::Argument>& body, std::uint8_t flags) {
    return send({dbus::MessageType::methodCall, flags, 0, std::nullopt, kBusPath, kBus, member, {}, kBus},
                body);
  }

  // Dispatches what arrives until done(), deadline, the loss of the bus or,
  // when extraFd is given, input on it (handed to onExtra). done() is
  // checked after every message.
  bool loop(const std::function<bool()>& done, Clock::time_point deadline, int extraFd,
            const std::function<void()>& onExtra) {
    writeSome(false);
    while (!done()) {
      if (!inbox_.empty()) {
        dbus::Message message = std::move(inbox_.front());
        inbox_.pop_front();
        dispatch(message);
        continue;
      }
      if (lost_) break;
      const auto left = deadline - Clock::now();
      if (left <= Clock::duration::zero()) break;
      std::vector<pollfd> fds = {{fd_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0},
                                 {queue_.descriptor(), POLLIN, 0},
                                 {extraFd, POLLIN, 0}};
      queue_.addWatched(fds);
      const int ready = wait(fds.data(), static_cast<int>(fds.size()), left);
      // A signal ends the wait, so that the caller sees what its handler set.
      if (ready < 0) break;
      if (ready == 0) continue;
      // What a watched descriptor says goes before the requests ready with it.
      queue_.runWatched(fds, 3);
      if (fds[2].revents && onExtra) onExtra();
      if (fds[1].revents) queue_.runQueued();
      if (fds[0].revents & POLLOUT) writeSome(false);
      if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) readSome();
    }
    return done();
  }

 private:
  std::optional<dbus::Message> callAndWait(const char* member, const std::vector<dbus::Argument>& body) {
    const std::uint32_t serial = call(member, body, 0);
    const auto deadline = Clock::now() + kCallTimeout;
    std::optional<dbus::Message> reply;
    while (!lost_ && Clock::now() < deadline) {
      // Other messages wait for the loop; a handler never runs in here.
      for (auto it = inbox_.begin(); it != inbox_.end(); ++it) {
        if (it->replySerial == serial && (it->type == dbus::MessageType::methodReturn ||
                                          it->type == dbus::MessageType::error)) {
          reply = std::move(*it);
          inbox_.erase(it);
          return reply;
        }
      }
      writeSome(false);
      if (waitFor(static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), deadline)) readSome();
    }
    return reply;
  }

  // How many descriptors are ready; 0 at the timeout, -1 on a signal.
  int wait(pollfd* fds, int count, Clock::duration left) {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count() + 1;
    timespec limit{static_cast<time_t>(micros / 1000000), static_cast<long>(micros % 1000000) * 1000};
    int n = ::ppoll(fds, static_cast<nfds_t>(count), &limit, nullptr);
    if (n < 0 && errno != EINTR) lost_ = true;
    return n < 0 ? -1 : n;
  }

  bool waitFor(short events, Clock::time_point deadline) {
    pollfd fd{fd_, events, 0};
    const auto left = deadline - Clock::now();
    return left > Clock::duration::zero() && wait(&fd, 1, left) > 0;
  }

  // Writes what it can without blocking (all of it, when finishing); false
  // when something is left.
  bool writeSome(bool finishing) {
    while (!lost_ && !out_.empty()) {
      ssize_t n = ::send(fd_, out_.data(), out_.size(), MSG_NOSIGNAL);
      if (n > 0) {
        out_.erase(0, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (!finishing || !waitFor(POLLOUT, Clock::now() + 1s)) return false;
        continue;
      }
      lost_ = true;
    }
    return out_.empty();
  }

  void readSome() {
    char buffer[16384];
    for (;;) {
      ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      if (n <= 0) {
        lost_ = true;
        break;
      }
      take(std::string_view(buffer, static_cast<std::size_t>(n)));
      if (static_cast<std::size_t>(n) < sizeof buffer) break;
    }
    while (auto message = reader_.next()) {
      if (message->replySerial && rulesPending_.erase(*message->replySerial)) continue;
      inbox_.push_back(std::move(*message));
    }
    if (!reader_.broken().empty()) lost_ = true;
  }

  void take(std::string_view bytes) {
    if (greeted_) {
      reader_.feed(bytes);
      return;
    }
    greeting_.append(bytes);
    const auto end = greeting_.find("\r\n");
    if (end == std::string::npos) {
      if (greeting_.size() > kMaxGreeting) lost_ = true;
      return;
    }
    if (!greeting_.starts_with("OK ")) {
      // Refused: the bus is there, but not for this user.
      lost_ = true;
      return;
    }
    greeted_ = true;
    reader_.feed(std::string_view(greeting_).substr(end + 2));
    greeting_.clear();
  }

  void dispatch(const dbus::Message& message) {
    auto start = message.replySerial ? starts_.find(*message.replySerial) : starts_.end();
    if (start != starts_.end() && message.type != dbus::MessageType::signal) {
      BusNames::StartReply replied = std::move(start->second);
      starts_.erase(start);
      if (message.type == dbus::MessageType::error) {
        replied(failure(message.strings.empty() ? message.errorName : message.strings[0]));
      } else {
        replied({});
      }
    } else if (message.type == dbus::MessageType::signal) {
      center_.deliver(message);
    } else if (message.type == dbus::MessageType::methodCall && !(message.flags & dbus::kNoReplyExpected) &&
               !message.sender.empty()) {
      // Nothing is served here; a caller learns so at once instead of
      // waiting for its timeout.
      const bool ping = message.interface == "org.freedesktop.DBus.Peer" && message.member == "Ping";
      send({ping ? dbus::MessageType::methodReturn : dbus::MessageType::error, dbus::kNoReplyExpected, 0,
            message.serial, {}, {}, {}, ping ? "" : "org.freedesktop.DBus.Error.UnknownMethod",
            message.sender},
           {});
      writeSome(false);
    }
  }

  // The names, asked over this connection.
  class Names final : public BusNames {
   public:
    explicit Names(SocketSessionBus& bus) : bus_(bus) {}
    bool nameHasOwner(const std::string& name) override { return bus_.nameHasOwner(name); }
    Status startService(const std::string& name, StartReply replied) override {
      return bus_.startService(name, std::move(replied));
    }

   private:
    SocketSessionBus& bus_;
  };

  int fd_;
  SocketNotificationCenter center_;
  SocketMainQueue queue_;
  Names names_{*this};
  std::map<std::uint32_t, BusNames::StartReply> starts_;
  std::string out_;
  std::string greeting_;
  bool greeted_ = false;
  dbus::MessageReader reader_;
  std::deque<dbus::Message> inbox_;
  std::set<std::uint32_t> rulesPending_;
  std::uint32_t nextSerial_ = 1;
  bool lost_ = false;
};

void SocketNotificationCenter::addObserver(const void* observer, const std::string& name,
                                           const std::optional<std::string>& object, Handler handler) {
  std::string rule = std::string("type='signal',path='") + kPath + "',interface='" + kInterface +
                     "',member='" + kMember + "'";
  if (fitsInMatchRule(name)) rule += ",arg0='" + name + "'";
  if (object && fitsInMatchRule(*object)) rule += ",arg1='" + *object + "'";
  // The bus handles a connection's messages in order: whatever this
  // connection sends after the rule is routed with the rule in place, and
  // flush() waits until it is in place for what others send.
  bus_.addRule(rule);
  registrations_.push_back({nextId_++, observer, name, object, std::move(handler), std::move(rule)});
}

void SocketNotificationCenter::removeObserver(const void* observer, const std::string& name) {
  for (auto it = registrations_.begin(); it != registrations_.end();) {
    if (it->observer == observer && it->name == name) {
      bus_.call("RemoveMatch", {dbus::text(it->rule)}, dbus::kNoReplyExpected);
      it = registrations_.erase(it);
    } else {
      ++it;
    }
  }
}

void SocketNotificationCenter::post(const std::string& name, const std::optional<std::string>& object) {
  if (std::this_thread::get_id() != owner_) {
    bus_.mainQueue().dispatch([this, name, object] { post(name, object); });
    return;
  }
  std::vector<dbus::Argument> body = {dbus::text(name)};
  if (object) body.push_back(dbus::text(*object));
  bus_.send({dbus::MessageType::signal, dbus::kNoReplyExpected, 0, std::nullopt, kPath, kInterface, kMember,
             {}, {}},
            body);
}

void SocketNotificationCenter::deliver(const dbus::Message& message) {
  if (message.path != kPath || message.interface != kInterface || message.member != kMember ||
      message.strings.empty()) {
    return;
  }
  Notification notification{message.strings[0], std::nullopt};
  if (message.strings.size() > 1) notification.object = message.strings[1];
  std::vector<std::uint64_t> matching;
  for (const auto& r : registrations_) {
    if (r.name == notification.name && (!r.object || r.object == notification.object)) {
      matching.push_back(r.id);
    }
  }
  // A handler may add or remove registrations, its own included.
  for (std::uint64_t id : matching) {
    for (const auto& r : registrations_) {
      if (r.id != id) continue;
      Handler handler = r.handler;
      handler(notification);
      break;
    }
  }
}

// The loop of a program that serves on this connection.
class SocketApplication final : public Application {
 public:
  explicit SocketApplication(SocketSessionBus& bus) : bus_(bus) {}

  ApplicationExit run(ApplicationDelegate& delegate) override {
    auto signals = std::make_unique<TerminationPipe>();
    delegate.applicationDidFinishLaunching();
    while (!stopRequested_ && bus_.connected()) {
      bus_.loop([this] { return stopRequested_; }, Clock::now() + 24h, signals->readEnd(), [&] {
        signals->drain();
        terminate(this);
      });
    }
    const bool lost = !stopRequested_;
    delegate.applicationWillTerminate();
    bus_.flush();
    // The loop has stopped for good: what is queued from now on is dropped.
    bus_.stopQueue();
    signals.reset();
    if (lost) return {1, "lost the connection to the session bus"};
    return {0, {}};
  }

  void terminate(const void*) override { stopRequested_ = true; }

 private:
  SocketSessionBus& bus_;
  bool stopRequested_ = false;
};

std::unique_ptr<Application> SocketSessionBus::makeApplication() {
  return std::make_unique<SocketApplication>(*this);
}

}  // namespace

Result<std::unique_ptr<SessionBus>> connectSessionBus() {
  std::vector<SocketAddress> addresses;
  std::string described;
  const char* fromEnvironment = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (fromEnvironment && *fromEnvironment) {
    addresses = socketAddresses(fromEnvironment);
    described = std::string("DBUS_SESSION_BUS_ADDRESS=") + fromEnvironment;
    // Other transports (tcp, unixexec, ...) are left to sd-bus.
    if (addresses.empty()) return connectServingSessionBus();
  } else if (runtimeDir && *runtimeDir) {
    const std::string path = std::string(runtimeDir) + "/bus";
    if (auto address = socketAddress(path, false)) addresses.push_back(*address);
    described = path + " (DBUS_SESSION_BUS_ADDRESS is unset)";
  } else {
    return failure("no session bus: neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR is set");
  }
  int error = ENAMETOOLONG;
  for (const SocketAddress& a : addresses) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return failure(errnoMessage("cannot connect to the session bus at " + described, errno));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a.address), a.length) == 0 &&
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) == 0) {
      return std::unique_ptr<SessionBus>(std::make_unique<SocketSessionBus>(fd));
    }
    error = errno;
    ::close(fd);
  }
  return failure(errnoMessage("cannot connect to the session bus at " + described, error));
}

}  // namespace tellwick::os
