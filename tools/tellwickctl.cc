// tellwickctl: asks the running helper for a category over the notification
// channel and prints what it stored, as any client application would.
//
// Exit status: 0 answered, 2 the helper did not answer (or no bus to ask
// on), 64 bad arguments. The installation commands (status, launch, update,
// website, autostart) live in tellwickctl_install.cc.

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "os/property_list_coder.h"
#include "os/session_bus.h"
#include "os/user_defaults.h"
#include "protocol/distributed_notifications.h"
#include "protocol/helper_data_model.h"
#include "protocol/helper_notifications.h"
#include "tools/tellwickctl_install.h"
#include "tools/tellwickctl_output.h"

namespace tellwick::ctl {
namespace {

constexpr int kExitNoAnswer = 2;
constexpr int kExitUsage = 64;
constexpr const char* kHelperBusName = "com.quorvane.helper";
constexpr const char* kHowToStart =
    "start it with 'tellwick &', or with 'make run' in a source tree";

int usage(const std::string& error) {
  std::fprintf(stderr, "tellwickctl: %s\n%s", error.c_str(), kUsage);
  return kExitUsage;
}

int terminate(os::SessionBus& bus, const Invocation& invocation) {
  auto& center = bus.notificationCenter();
  bool stopped = false;
  DistributedNotifications::addObserver(center, &stopped, HelperNotifications::helperStopped,
                                        [&](const os::Notification&) { stopped = true; });
  bool running = bus.nameHasOwner(kHelperBusName);
  DistributedNotifications::post(center, HelperNotifications::terminateHelper);
  bus.flush();
  if (!running) {
    std::fprintf(stderr, "tellwickctl: the helper is not running; nothing to stop\n");
    return 0;
  }
  if (!bus.runUntil([&] { return stopped; }, invocation.timeout)) {
    std::fprintf(stderr, "tellwickctl: the helper did not confirm that it stopped\n");
    return kExitNoAnswer;
  }
  return 0;
}

int query(os::SessionBus& bus, const Invocation& invocation) {
  if (!bus.nameHasOwner(kHelperBusName)) {
    std::fprintf(stderr, "tellwickctl: the helper did not answer: it is not running; %s\n",
                 kHowToStart);
    return kExitNoAnswer;
  }
  auto& center = bus.notificationCenter();
  std::set<Category> waiting(invocation.categories.begin(), invocation.categories.end());
  for (Category c : invocation.categories) {
    DistributedNotifications::addObserver(center, &waiting, responseName(c),
                                          [&waiting, c](const os::Notification&) { waiting.erase(c); });
  }
  for (Category c : invocation.categories) DistributedNotifications::post(center, requestName(c));
  bus.flush();
  bus.runUntil([&] { return waiting.empty(); }, invocation.timeout);
  for (Category c : invocation.categories) {
    DistributedNotifications::removeObserver(center, &waiting, responseName(c));
  }

  auto coder = os::newLibplistPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  HelperDataModel store(*defaults, *coder);
  Answers answers;
  std::vector<Category> answered;
  for (Category c : invocation.categories) {
    if (waiting.contains(c)) continue;
    answered.push_back(c);
    switch (c) {
      case Category::sensors: answers.sensors = store.sensors(); break;
      case Category::fans: answers.fans = store.fans(); break;
      case Category::traffic: answers.traffic = store.traffic(); break;
      case Category::batteries:
        answers.singleBatteryDevices = store.singleBatteryDevices();
        answers.doubleBatteryDevices = store.doubleBatteryDevices();
        break;
    }
  }
  // What did arrive is printed even when something else timed out.
  if (!answered.empty()) {
    std::string report =
        invocation.json ? jsonReport(answered, answers) : humanReport(answered, answers);
    std::fputs(report.c_str(), stdout);
    std::fflush(stdout);
  }
  if (waiting.empty()) return 0;
  std::string missing;
  for (Category c : invocation.categories) {
    if (!waiting.contains(c)) continue;
    if (!missing.empty()) missing += ", ";
    missing += categoryName(c);
  }
  double seconds = static_cast<double>(invocation.timeout.count()) / 1000.0;
  std::fprintf(stderr,
               "tellwickctl: the helper did not answer (%s) within %g s; if it is not running, %s\n",
               missing.c_str(), seconds, kHowToStart);
  return kExitNoAnswer;
}

int run(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (auto command = arguments.empty() ? nullptr : installCommand(arguments.front())) {
    return command({arguments.begin() + 1, arguments.end()});
  }
  ParseResult parsed = parseArguments(arguments);
  if (!parsed.invocation) return usage(parsed.error);
  const Invocation& invocation = *parsed.invocation;
  if (invocation.action == Invocation::Action::help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  auto connection = os::connectSessionBus();
  if (!connection.bus) {
    std::fprintf(stderr, "tellwickctl: the helper cannot be asked: %s\n", connection.error.c_str());
    return kExitNoAnswer;
  }
  if (invocation.action == Invocation::Action::terminate) return terminate(*connection.bus, invocation);
  return query(*connection.bus, invocation);
}

}  // namespace
}  // namespace tellwick::ctl

int main(int argc, char** argv) { return tellwick::ctl::run(argc, argv); }
