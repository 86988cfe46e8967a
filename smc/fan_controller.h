#ifndef TELLWICK_SMC_FAN_CONTROLLER_H_
#define TELLWICK_SMC_FAN_CONTROLLER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "os/bus/main_queue.h"
#include "os/bus/notification_center.h"
#include "os/files/resource_bundle.h"
#include "os/sensors/smc_user_client.h"
#include "platform/sampled_requests.h"
#include "protocol/controllers.h"
#include "protocol/helper_data_model.h"
#include "smc/smc_connection.h"

namespace tellwick {

// Answers the fans request from the controller's "FNum" and per-fan keys,
// over a connection of its own that lives as long as this object. Every
// request reads every key again; nothing is kept between requests. The
// collaborators are not owned and must outlive the controller.
class FanController final : public IFanController {
 public:
  // Opens the connection; with no service every request stores no fans.
  // bundle gives the name of a fan that has none of its own. With a loop,
  // the keys are read off it (see SampleWorker), and requests that arrive
  // meanwhile share the next sample; without one, at once.
  FanController(IHelperDataModel& model, os::NotificationCenter& center, os::SmcUserClient& client,
                const os::ResourceBundle& bundle, os::MainQueue* loop = nullptr);

  // Stores one Fan per fan, in index order (an empty list when there are
  // none), then posts the fans response. Unreadable fields are 0; a fan
  // whose name is unreadable or blank is called by the localized "FAN". A
  // fan whose speed did not come in time is left out rather than shown
  // stopped.
  void updateFans() override;

  os::ConnectionHandle connection() const { return smc_.connection(); }

 private:
  std::vector<Fan> sample();
  std::uint8_t readFanCount();
  std::string readFanName(int index);
  std::int64_t readFanValue(std::string_view key);

  IHelperDataModel& model_;
  os::NotificationCenter& center_;
  const os::ResourceBundle& bundle_;
  SmcConnection smc_;
  SampledRequests<std::vector<Fan>> requests_;  // last: it stops first
};

}  // namespace tellwick

#endif  // TELLWICK_SMC_FAN_CONTROLLER_H_
