#ifndef TELLWICK_TRAFFIC_NETWORK_CONTROLLER_H_
#define TELLWICK_TRAFFIC_NETWORK_CONTROLLER_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/bus/notification_center.h"
#include "os/process/process_runner.h"
#include "platform/pending_requests.h"
#include "protocol/controllers.h"
#include "protocol/helper_data_model.h"
#include "protocol/process_traffic_info.h"

namespace tellwick {

// Answers a traffic request with one sample of nettop's per-process byte
// counters. Holds its collaborators by reference; they must outlive it.
// Main thread only. The tool runs through the runner's start, so with a
// runner that has a main queue a request returns at once and is answered
// when the run ends; requests arriving meanwhile share the next run.
class NetworkController final : public INetworkController {
 public:
  // The whole command line, run by the shell; nettop is found on PATH.
  static constexpr std::string_view kCommand = "nettop -L 1 -P -x -J bytes_in,bytes_out";

  // environment: the helper's own, handed on to the tool (see Shell).
  NetworkController(IHelperDataModel& model, os::NotificationCenter& center,
                    os::ProcessRunner& runner, const std::vector<std::string>& environment);

  // Stores the parsed sample when the tool produced valid text, keeps the
  // previous list otherwise, and posts the traffic response in every case.
  void updateTraffic() override;

 private:
  void startRun();
  void finished(const std::optional<std::string>& text);

  IHelperDataModel& model_;
  os::NotificationCenter& center_;
  os::ProcessRunner& runner_;
  const std::vector<std::string>& environment_;
  PendingRequests requests_{[this] { startRun(); }};
};

// The records of one nettop sample in output order. The first non-empty line
// is a header and is dropped whatever it holds; each other line is
// "name.pid,bytes_in,bytes_out,...", and a line whose pid or counters are not
// plain unsigned decimals is skipped.
std::vector<ProcessTrafficInfo> parseTrafficSample(std::string_view text);

}  // namespace tellwick

#endif  // TELLWICK_TRAFFIC_NETWORK_CONTROLLER_H_
