#ifndef TELLWICK_OS_BUS_NOTIFICATION_CENTER_H_
#define TELLWICK_OS_BUS_NOTIFICATION_CENTER_H_

#include <functional>
#include <optional>
#include <string>

namespace tellwick::os {

struct Notification {
  std::string name;
  std::optional<std::string> object;
};

// The system-wide, name-addressed broadcast between processes of one user.
// Posts carry a name and an optional object, never a payload.
class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  NotificationCenter() = default;
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;
  virtual ~NotificationCenter() = default;

  // Registers handler for notifications called name, from any sender object
  // when object is absent, else only those posted with that object. The
  // handler runs on the thread that runs the center's loop. Never fails from
  // the caller's point of view.
  virtual void addObserver(const void* observer, const std::string& name,
                           const std::optional<std::string>& object, Handler handler) = 0;

  // Removes every registration of observer for name, whatever its object.
  virtual void removeObserver(const void* observer, const std::string& name) = 0;

  // Posts name (with object when given) for immediate delivery. Any thread:
  // from a thread other than the loop's, the post is handed to the loop and
  // goes out once the loop runs, in the order posted from that thread.
  virtual void post(const std::string& name, const std::optional<std::string>& object) = 0;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_NOTIFICATION_CENTER_H_
