// The built helper against tools and bus messages that misbehave: each row
// is one bad input and the outcome it must have. Whatever the row, the
// helper still answers a fan request afterwards.

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/helper_fixture.h"

namespace tellwick::testing {
namespace {

enum class Stored { kAny, kNothing, kEmptyList, kOneRecord };

struct HostileCase {
  const char* name;
  // Scripts put on the helper's PATH as nettop and system_profiler; a tool
  // not listed is missing.
  std::map<std::string, std::string> tools;
  // What the client sends: a dbus-send argument list after the common
  // "--session --type=signal", or else the request posted the usual way.
  std::vector<std::string> dbusSend;
  const char* request;
  // The response that must come (nullptr: none may come), and what the
  // request's key then holds.
  const char* response;
  Stored stored;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

// A tool that misbehaves on its category's request (script nullptr: missing).
HostileCase tool(const char* name, const char* tool, const char* script, Stored stored) {
  bool traffic = std::string_view(tool) == "nettop";
  HostileCase c{name, {}, {}, traffic ? "RequestTraffic" : "RequestBatteries",
                traffic ? "ResponseTraffic" : "ResponseBatteries", stored};
  if (script) c.tools[tool] = script;
  return c;
}

// A message on the channel that nothing may answer.
HostileCase message(const char* name, std::vector<std::string> dbusSend) {
  return {name, {}, std::move(dbusSend), nullptr, nullptr, Stored::kAny};
}

constexpr const char* kPath = "/com/quorvane/DistributedNotifications";
constexpr const char* kMember = "com.quorvane.DistributedNotifications.Notification";
// Just under what one command-line argument may hold.
const std::string kHuge(120 * 1024, 'R');
constexpr Stored kNothing = Stored::kNothing, kEmpty = Stored::kEmptyList, kOne = Stored::kOneRecord;

// Parsing and size rules have their own unit tests; these rows prove each
// outcome's wiring once.
const HostileCase kCases[] = {
    tool("nettop missing", "nettop", nullptr, kNothing),
    tool("nettop prints garbage", "nettop", "printf 'x\\n,,,\\n\\001.9\\n.,.,.\\n%%s,1\\n'", kEmpty),
    tool("nettop prints other than UTF-8", "nettop", "printf 'h\\nb\\377d.1,2,3,\\n'", kNothing),
    tool("nettop prints past the cap", "nettop", "echo h; yes a.1,2,3, | head -c 3000000", kNothing),
    tool("nettop leaves a child holding its output", "nettop", "echo h; echo a.1,2,3,; sleep 60 &",
         kOne),
    tool("system_profiler fails", "system_profiler", "echo Bluetooth:; exit 3", kEmpty),
    message("a foreign object path", {"/x", kMember, "string:RequestFans"}),
    message("a number for a body", {kPath, kMember, "int32:5"}),
    message("a huge name", {kPath, kMember, "string:" + kHuge}),
    {"a huge object", {}, {kPath, kMember, "string:RequestFans", "string:" + kHuge}, "RequestFans",
     "ResponseFans", Stored::kAny},
};

class HostileInputTest : public HelperTest, public ::testing::WithParamInterface<HostileCase> {
 protected:
  std::vector<std::string> environmentWithTools(const HostileCase& c) {
    const std::string dir = scratch_.string() + "/tools";
    std::filesystem::create_directories(dir);
    for (const auto& [tool, script] : c.tools) scratch_.writeScript("tools/" + tool, script);
    auto environment = helperEnvironment();
    for (auto& entry : environment) {
      if (entry.starts_with("PATH=")) entry = "PATH=" + dir + ":/usr/bin:/bin";
    }
    return environment;
  }

  Stored stored(const std::string& request) {
    auto of = [](const auto& list) { return !list ? kNothing : list->empty() ? kEmpty : kOne; };
    if (request == "RequestTraffic") return of(store().traffic());
    return request == "RequestBatteries" ? of(store().singleBatteryDevices()) : Stored::kAny;
  }
};

TEST_P(HostileInputTest, OneBadInputCostsOnlyItself) {
  const HostileCase& c = GetParam();
  auto helper = startHelper(false, environmentWithTools(c));
  for (const char* name : {"ResponseFans", "ResponseSensors", "ResponseTraffic", "ResponseBatteries"}) {
    watch(name);
  }
  if (!c.dbusSend.empty()) {
    std::vector<std::string> argv = {"/usr/bin/dbus-send", "--session", "--type=signal"};
    argv.insert(argv.end(), c.dbusSend.begin(), c.dbusSend.end());
    ChildProcess send(argv, helperEnvironment());
    EXPECT_EQ(send.wait(10s), 0);
  } else {
    post(c.request);
  }
  if (c.response) {
    EXPECT_TRUE(waitFor(c.response, 1, 12s));
    EXPECT_EQ(stored(c.request), c.stored);
  } else {
    settle(500ms);
    for (const auto& [name, count] : seen_) EXPECT_EQ(count, 0) << name;
  }

  post("RequestFans");
  EXPECT_TRUE(waitFor("ResponseFans", seen("ResponseFans") + 1, 5s)) << "the helper still serves";
  post("TerminateHelper");
  EXPECT_EQ(helper->wait(10s), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileInputTest, ::testing::ValuesIn(kCases));

// A tool that never returns holds only its own category (the helper
// controller's tests time that); SIGTERM still stops the helper at once,
// taking the tool with it.
TEST_F(HostileInputTest, AHungToolDiesWithTheHelper) {
  const std::string pidFile = scratch_.string() + "/nettop.pid";
  HostileCase c{"hang", {{"nettop", "echo $$ > " + pidFile + "; exec sleep 60"}}, {}, nullptr, nullptr, {}};
  auto helper = startHelper(false, environmentWithTools(c));
  watch("ResponseFans");
  post("RequestTraffic");
  post("RequestFans");
  EXPECT_TRUE(waitFor("ResponseFans", 1, 3s));
  settle(500ms);
  std::string pid;
  std::ifstream(pidFile) >> pid;
  ASSERT_FALSE(pid.empty());
  auto signalled = std::chrono::steady_clock::now();
  helper->signal(SIGTERM);
  EXPECT_EQ(helper->wait(5s), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, 2s);
  EXPECT_TRUE(processEnded(std::stoi(pid)));
}

}  // namespace
}  // namespace tellwick::testing
