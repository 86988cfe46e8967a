#ifndef TELLWICK_PROTOCOL_DISTRIBUTED_NOTIFICATIONS_H_
#define TELLWICK_PROTOCOL_DISTRIBUTED_NOTIFICATIONS_H_

#include <optional>
#include <string>
#include <string_view>

#include "os/bus/notification_center.h"

namespace tellwick {

// The thin wrapper every post and registration goes through. Stateless: the
// center is handed in by the caller, which owns it.
struct DistributedNotifications {
  DistributedNotifications() = delete;

  static void addObserver(os::NotificationCenter& center, const void* observer,
                          std::string_view name, os::NotificationCenter::Handler handler) {
    center.addObserver(observer, std::string(name), std::nullopt, std::move(handler));
  }
  static void addObserver(os::NotificationCenter& center, const void* observer,
                          std::string_view name, const std::optional<std::string>& object,
                          os::NotificationCenter::Handler handler) {
    center.addObserver(observer, std::string(name), object, std::move(handler));
  }
  static void removeObserver(os::NotificationCenter& center, const void* observer,
                             std::string_view name) {
    center.removeObserver(observer, std::string(name));
  }
  static void post(os::NotificationCenter& center, std::string_view name,
                   const std::optional<std::string>& object = std::nullopt) {
    center.post(std::string(name), object);
  }
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_DISTRIBUTED_NOTIFICATIONS_H_
