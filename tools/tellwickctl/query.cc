// Asking for categories: post each request, wait for the responses, print
// what the store holds for those that came.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>

#include "os/utf8.h"
#include "protocol/distributed_notifications.h"
#include "protocol/helper_notifications.h"
#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/exit_codes.h"
#include "tools/tellwickctl/report.h"

namespace tellwick::ctl {
namespace {

constexpr const char* kHowToStart =
    "start it with 'tellwick &', or with 'make run' in a source tree";

// The categories a command line names: one, or all of them for "all".
std::vector<const Category*> named(const std::string& name) {
  std::vector<const Category*> chosen;
  for (const Category* c : categories()) {
    if (name == "all" || name == c->helper.name) chosen.push_back(c);
  }
  return chosen;
}

int query(Context& context, const CommandLine& line) {
  if (line.words.size() > 1) {
    return refuse(context, line, "one command at a time ('" + line.words[0] + "', then '" + line.words[1] + "')");
  }
  const std::vector<const Category*> asked = named(line.words.front());
  auto connected = context.bus();
  if (!connected) {
    context.err << "tellwickctl: the helper cannot be asked: " << connected.error() << "\n";
    return kExitNoAnswer;
  }
  os::SessionBus& bus = **connected;
  auto timeout = line.options.timeout;
  auto& center = bus.notificationCenter();
  std::set<const Category*> waiting(asked.begin(), asked.end());
  // A response with an object says why the helper could not store its
  // answer: the store holds an earlier one, which is not shown as this one.
  NotStored notStored;
  for (const Category* c : asked) {
    DistributedNotifications::addObserver(center, &waiting, c->helper.response,
                                          [&waiting, &notStored, c](const os::Notification& n) {
                                            if (waiting.erase(c) && n.object) notStored[c] = *n.object;
                                          });
  }
  struct Forget {
    os::NotificationCenter& center;
    const std::vector<const Category*>& asked;
    const void* observer;
    ~Forget() {
      for (const Category* c : asked) DistributedNotifications::removeObserver(center, observer, c->helper.response);
    }
  } forget{center, asked, &waiting};
  // Asked before knowing whether the helper runs: the question about its
  // name travels with the requests, and when it runs its answers are on
  // their way by the time the bus replies. When it does not, nobody heard
  // them, and they are asked again once it has started.
  for (const Category* c : asked) DistributedNotifications::post(center, c->helper.request);
  if (!bus.names().nameHasOwner(std::string(kHelperBusName))) {
    // A helper that listens before it takes its name may yet hear them.
    bus.flush();
    if (!context.launchHelper) {
      context.err << "tellwickctl: the helper did not answer: it is not running; " << kHowToStart << "\n";
      return kExitNoAnswer;
    }
    // Starting it counts against the same wait as its answers.
    const auto started = std::chrono::steady_clock::now();
    os::Status launched = context.launchHelper(timeout);
    if (!launched) {
      context.err << "tellwickctl: the helper did not answer: it is not running and could not be started ("
                  << launched.error() << "); " << kHowToStart << "\n";
      return kExitNoAnswer;
    }
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    timeout = std::max(timeout - spent, std::chrono::milliseconds(0));
    for (const Category* c : asked) DistributedNotifications::post(center, c->helper.request);
  }
  bus.flush();
  bus.runUntil([&] { return waiting.empty(); }, timeout);

  std::vector<const Category*> answered;
  std::string missing;
  for (const Category* c : asked) {
    if (!waiting.contains(c)) {
      answered.push_back(c);
    } else {
      if (!missing.empty()) missing += ", ";
      missing += c->helper.name;
    }
  }
  // What did arrive is printed even when something else timed out.
  std::string unreadable;
  if (!answered.empty()) {
    IHelperDataModel& store = context.store();
    context.out << (line.options.json ? jsonReport(answered, store, notStored)
                                      : humanReport(answered, store, context.storeFailure, notStored))
                << std::flush;
    for (const auto& [c, why] : notStored) {
      context.err << "tellwickctl: the helper could not store its answer (" << c->helper.name
                  << "): " << printableText(why) << "\n";
    }
    for (const Category* c : answered) {
      if (notStored.contains(c)) continue;
      for (const StoreList& list : c->lists) {
        auto why = context.storeFailure ? context.storeFailure(list.key) : std::nullopt;
        if (why && unreadable.find(*why) == std::string::npos) unreadable += "; " + *why;
      }
    }
  }
  if (!unreadable.empty()) {
    context.err << "tellwickctl: the helper answered, but the shared store cannot be read: " << unreadable.substr(2)
                << "\n";
  }
  if (waiting.empty()) {
    if (!notStored.empty()) return kExitCannotStore;
    return unreadable.empty() ? kExitOk : kExitStoreUnreadable;
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(line.options.timeout.count()) / 1000.0);
  context.err << "tellwickctl: the helper did not answer (" << missing << ") within " << seconds
              << " s; if it is not running, " << kHowToStart << "\n";
  return kExitNoAnswer;
}

constexpr std::string_view kSynopsis = "[--json] [--timeout SECONDS]";
constexpr std::string_view kSummary =
    "Asks the running helper for this category (for every one with 'all') and prints its answer;\n"
    "an installed helper that is not running is started first.\n";
constexpr unsigned kOptions = kJsonOption | kTimeoutOption;

}  // namespace

extern const Command kSensorsCommand, kFansCommand, kTrafficCommand, kBatteriesCommand, kAllCommand;
const Command kSensorsCommand{"sensors", kSynopsis, kSummary, kOptions, &query};
const Command kFansCommand{"fans", kSynopsis, kSummary, kOptions, &query};
const Command kTrafficCommand{"traffic", kSynopsis, kSummary, kOptions, &query};
const Command kBatteriesCommand{"batteries", kSynopsis, kSummary, kOptions, &query};
const Command kAllCommand{"all", kSynopsis, kSummary, kOptions, &query};

}  // namespace tellwick::ctl
