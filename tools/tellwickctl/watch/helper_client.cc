#include "tools/tellwickctl/watch/helper_client.h"

#include "protocol/distributed_notifications.h"
#include "protocol/helper_notifications.h"

namespace tellwick::watch {
HelperClient::HelperClient(os::SessionBus& bus, IHelperDataModel& store, std::vector<Panel> categories,
                           std::chrono::milliseconds timeout)
    : bus_(bus), store_(store), categories_(std::move(categories)), timeout_(timeout) {
  for (Panel c : categories_) {
    DistributedNotifications::addObserver(bus_.notificationCenter(), this, category(c).response, [this, c](const os::Notification& n) {
      // A response to another client's request while ours is not in flight
      // is left for our next request, so that every reading is one interval.
      Slot& s = slot(c);
      if (!s.askedAt) return;
      s.askedAt.reset();
      // One that says its answer could not be stored leaves the panel as it
      // was: the store holds an earlier reading, not a new one.
      if (!n.object) s.answeredAt = Clock::now();
      arrived_ = true;
      answering_ = true;
      heard_ = true;
    });
  }
}

HelperClient::~HelperClient() {
  for (Panel c : categories_) DistributedNotifications::removeObserver(bus_.notificationCenter(), this, category(c).response);
}

void HelperClient::request(Clock::time_point now) {
  // A helper that has answered everything asked since the last request is
  // there; the bus is asked only at the first request and when something
  // is still unanswered, which saves the view a round trip each interval.
  const bool ask = !heard_ || !idle();
  heard_ = false;
  if (!bus_.connected() || (ask && !bus_.names().nameHasOwner(std::string(kHelperBusName)))) {
    // Nobody is there to answer what is in flight, nor what would be posted
    // now; the first request after the helper is back goes out at once.
    answering_ = false;
    for (auto& s : slots_) {
      s.askedAt.reset();
      s.lastAsked.reset();
    }
    return;
  }
  bool posted = false;
  for (Panel c : categories_) {
    Slot& s = slot(c);
    if (s.askedAt && now - *s.askedAt < timeout_) continue;
    if (!s.askedAt && c == Panel::batteries && s.lastAsked && now - *s.lastAsked < kBatteriesEvery) continue;
    if (s.askedAt) answering_ = false;
    s.askedAt = now;
    s.lastAsked = now;
    DistributedNotifications::post(bus_.notificationCenter(), category(c).request);
    posted = true;
  }
  if (posted) bus_.flush();
}

void HelperClient::wait(Clock::time_point deadline, const std::function<bool()>& stop) {
  arrived_ = false;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now() +
                                                                    std::chrono::microseconds(999));
  if (left.count() <= 0) left = std::chrono::milliseconds(0);
  bus_.runUntil([&] { return arrived_ || (stop && stop()); }, left);
  if (!bus_.connected()) answering_ = false;
}

bool HelperClient::idle() const {
  for (Panel c : categories_) {
    if (slots_[static_cast<std::size_t>(c)].askedAt) return false;
  }
  return true;
}

bool HelperClient::hasAnswers() const {
  for (const Slot& s : slots_) {
    if (s.answeredAt) return true;
  }
  return false;
}

StoredAnswers HelperClient::takeAnswers() {
  StoredAnswers answers;
  for (Panel c : categories_) {
    Slot& s = slot(c);
    if (!s.answeredAt) continue;
    const Clock::time_point at = *s.answeredAt;
    s.answeredAt.reset();
    answers.answered.push_back(c);
    switch (c) {
      case Panel::sensors: answers.sensors = store_.sensors(); break;
      case Panel::fans: answers.fans = store_.fans(); break;
      case Panel::traffic:
        answers.traffic = store_.traffic();
        answers.trafficAnsweredAt = at;
        break;
      case Panel::batteries:
        answers.singleBatteryDevices = store_.singleBatteryDevices();
        answers.doubleBatteryDevices = store_.doubleBatteryDevices();
        break;
    }
  }
  return answers;
}

StoredAnswers askHelper(os::SessionBus& bus, IHelperDataModel& store, const std::vector<Panel>& categories,
                        std::chrono::milliseconds timeout) {
  HelperClient client(bus, store, categories, timeout);
  auto start = HelperClient::Clock::now();
  client.request(start);
  while (client.answering() && !client.idle() && HelperClient::Clock::now() < start + timeout) {
    client.wait(start + timeout);
  }
  return client.takeAnswers();
}

}  // namespace tellwick::watch
