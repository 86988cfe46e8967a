// Asking for categories: post each request, wait for the responses, print
// what the store holds for those that came.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>

#include "protocol/distributed_notifications.h"
#include "protocol/helper_notifications.h"
#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/report.h"

namespace tellwick::ctl {
namespace {

constexpr const char* kHowToStart =
    "start it with 'tellwick &', or with 'make run' in a source tree";

int query(Context& context, const Invocation& invocation) {
  auto timeout = invocation.timeout;
  if (!context.bus.nameHasOwner(std::string(kHelperBusName))) {
    if (!context.launchHelper) {
      context.err << "tellwickctl: the helper did not answer: it is not running; " << kHowToStart
                  << "\n";
      return kExitNoAnswer;
    }
    // Starting it counts against the same wait as its answers.
    const auto asked = std::chrono::steady_clock::now();
    os::Status launched = context.launchHelper(timeout);
    if (!launched) {
      context.err << "tellwickctl: the helper did not answer: it is not running and could not be "
                     "started ("
                  << launched.error() << "); " << kHowToStart << "\n";
      return kExitNoAnswer;
    }
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - asked);
    timeout = std::max(timeout - spent, std::chrono::milliseconds(0));
  }
  auto& center = context.bus.notificationCenter();
  std::set<const Category*> waiting(invocation.categories.begin(), invocation.categories.end());
  for (const Category* c : invocation.categories) {
    DistributedNotifications::addObserver(center, &waiting, c->response,
                                          [&waiting, c](const os::Notification&) { waiting.erase(c); });
  }
  for (const Category* c : invocation.categories) DistributedNotifications::post(center, c->request);
  context.bus.flush();
  context.bus.runUntil([&] { return waiting.empty(); }, timeout);
  for (const Category* c : invocation.categories) {
    DistributedNotifications::removeObserver(center, &waiting, c->response);
  }

  std::vector<const Category*> answered;
  std::string missing;
  for (const Category* c : invocation.categories) {
    if (!waiting.contains(c)) {
      answered.push_back(c);
    } else {
      if (!missing.empty()) missing += ", ";
      missing += c->name;
    }
  }
  // What did arrive is printed even when something else timed out.
  std::string unreadable;
  if (!answered.empty()) {
    IHelperDataModel& store = context.store();
    context.out << (invocation.json ? jsonReport(answered, store)
                                    : humanReport(answered, store, context.storeFailure))
                << std::flush;
    for (const Category* c : answered) {
      for (const StoreList& list : c->lists) {
        auto why = context.storeFailure ? context.storeFailure(list.key) : std::nullopt;
        if (why && unreadable.find(*why) == std::string::npos) unreadable += "; " + *why;
      }
    }
  }
  if (!unreadable.empty()) {
    context.err << "tellwickctl: the helper answered, but the shared store cannot be read: "
                << unreadable.substr(2) << "\n";
  }
  if (waiting.empty()) return unreadable.empty() ? kExitAnswered : kExitStoreUnreadable;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g",
                static_cast<double>(invocation.timeout.count()) / 1000.0);
  context.err << "tellwickctl: the helper did not answer (" << missing << ") within " << seconds
              << " s; if it is not running, " << kHowToStart << "\n";
  return kExitNoAnswer;
}

}  // namespace

const Command kQuery{"", "", true, &query};

}  // namespace tellwick::ctl
