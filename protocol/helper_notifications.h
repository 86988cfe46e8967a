#ifndef TELLWICK_PROTOCOL_HELPER_NOTIFICATIONS_H_
#define TELLWICK_PROTOCOL_HELPER_NOTIFICATIONS_H_

#include <string_view>

namespace tellwick {

// The eleven notification names of the protocol, as posted on the wire.
struct HelperNotifications {
  HelperNotifications() = delete;
  static constexpr std::string_view terminateHelper = "TerminateHelper";
  static constexpr std::string_view helperStarted = "HelperStarted";
  static constexpr std::string_view helperStopped = "HelperStopped";
  static constexpr std::string_view requestSensors = "RequestSensors";
  static constexpr std::string_view requestFans = "RequestFans";
  static constexpr std::string_view requestTraffic = "RequestTraffic";
  static constexpr std::string_view requestBatteries = "RequestBatteries";
  static constexpr std::string_view responseSensors = "ResponseSensors";
  static constexpr std::string_view responseFans = "ResponseFans";
  static constexpr std::string_view responseTraffic = "ResponseTraffic";
  static constexpr std::string_view responseBatteries = "ResponseBatteries";
};

// The well-known bus name the helper holds while it serves: clients ask
// whether it is running by it, and a second helper is refused by it.
// cmake/Tellwick.cmake reads these constants out of this file for the
// installed files and the scripts, so each stays one `name = "value";` line.
inline constexpr std::string_view kHelperBusName = "com.quorvane.helper";

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_HELPER_NOTIFICATIONS_H_
