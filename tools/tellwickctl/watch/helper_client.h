#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_HELPER_CLIENT_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_HELPER_CLIENT_H_

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "os/bus/session_bus.h"
#include "protocol/battery_device.h"
#include "protocol/fan.h"
#include "protocol/helper_data_model.h"
#include "protocol/process_traffic_info.h"
#include "protocol/sensor.h"
#include "tools/tellwickctl/watch/layout.h"

namespace tellwick::watch {

// What the store held for the categories that answered; the others, and a
// list that is missing or unreadable, stay absent.
struct StoredAnswers {
  std::vector<Panel> answered;
  // When the traffic answer came, for rates over the time between answers.
  std::optional<std::chrono::steady_clock::time_point> trafficAnsweredAt;
  std::optional<std::vector<Sensor>> sensors;
  std::optional<std::vector<Fan>> fans;
  std::optional<std::vector<ProcessTrafficInfo>> traffic;
  std::optional<SingleBatteryDevices> singleBatteryDevices;
  std::optional<DoubleBatteryDevices> doubleBatteryDevices;
};

// Asks the helper for categories the way every client does (a request
// notification, then the store once the response arrives) without ever
// having two requests of one category in flight: the helper answers one
// request at a time and queues the rest, so a view asking faster than a slow
// category can be sampled would only pile up work. Battery levels are asked
// for every kBatteriesEvery at most: they move by a percent in minutes, and
// each answer has the helper run a tool for a Bluetooth query. bus and store
// are not owned and must outlive the client. The thread that runs the bus.
class HelperClient {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kBatteriesEvery{30};

  // timeout: how long a request may stay unanswered before the helper is
  // taken as not answering and the request is made again.
  HelperClient(os::SessionBus& bus, IHelperDataModel& store, std::vector<Panel> categories,
               std::chrono::milliseconds timeout);
  ~HelperClient();
  HelperClient(const HelperClient&) = delete;
  HelperClient& operator=(const HelperClient&) = delete;

  // Posts the request of every category that has none in flight (batteries:
  // and none asked for within kBatteriesEvery). When the helper's bus name
  // has no owner it is not answering: nothing is posted and nothing stays in
  // flight, so its return is met by fresh requests of every category. The
  // name is looked up unless everything asked for last time was answered, so
  // a helper that went away after answering is noticed one interval later.
  void request(Clock::time_point now);

  // Dispatches the bus until a response arrives, deadline passes, a signal
  // interrupts the wait or stop() (checked after every message) is true.
  void wait(Clock::time_point deadline, const std::function<bool()>& stop = {});

  // Whether every category has been answered since its last request.
  bool idle() const;

  // Whether a category has answered since the last takeAnswers.
  bool hasAnswers() const;

  // Reads the store for every category that answered since the last call,
  // all at once: one read of the file for the lot.
  StoredAnswers takeAnswers();

  // False when the helper's name has no owner, a request went unanswered
  // for the timeout, or the bus was lost; true again at the next response.
  bool answering() const { return answering_; }

 private:
  struct Slot {
    std::optional<Clock::time_point> askedAt;    // in flight since
    std::optional<Clock::time_point> answeredAt;  // waiting to be read since
    std::optional<Clock::time_point> lastAsked;
  };
  Slot& slot(Panel category) { return slots_[static_cast<std::size_t>(category)]; }

  os::SessionBus& bus_;
  IHelperDataModel& store_;
  std::vector<Panel> categories_;
  std::chrono::milliseconds timeout_;
  std::array<Slot, 4> slots_{};
  bool arrived_ = false;
  bool answering_ = true;
  bool heard_ = false;  // a response to our request since the last one
};

// Posts the requests of categories, waits up to timeout for their responses
// and reads what the store holds for those that answered.
StoredAnswers askHelper(os::SessionBus& bus, IHelperDataModel& store, const std::vector<Panel>& categories,
                        std::chrono::milliseconds timeout);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_HELPER_CLIENT_H_
