// The waiting logic of the subcommands against a bus whose peer answers as
// each case scripts it.
#include "tools/tellwickctl/commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "protocol/helper_notifications.h"
#include "tests/fakes/fake_helper_data_model.h"
#include "tests/fakes/fake_session_bus.h"

namespace tellwick::ctl {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using Names = std::vector<std::string>;

struct Case {
  const char* what;
  Names arguments;
  bool running;
  std::map<std::string, Names> peer;  // request -> what the helper posts back
  int status;
  Names posted;                       // by tellwickctl, in order
  std::vector<const char*> out;       // substrings; empty: nothing printed
  const char* err;                    // substring; "": nothing printed
  std::vector<std::chrono::milliseconds> timeoutsPassed;
  enum class Launch { none, starts, fails } launch = Launch::none;
};

const Case kCases[] = {
    {"partly answered prints what came", {"all", "--timeout", "3"}, true,
     {{"RequestSensors", {"ResponseSensors"}}, {"RequestFans", {"ResponseFans"}}},
     2, {"RequestSensors", "RequestFans", "RequestTraffic", "RequestBatteries"},
     {"Sensors\n", "Fans\n"}, "did not answer (traffic, batteries) within 3 s", {3000ms}},
    {"a response to another category does not count", {"fans", "--timeout", "0.5"}, true,
     {{"RequestFans", {"ResponseSensors"}}}, 2, {"RequestFans"}, {}, "did not answer (fans) within 0.5 s", {500ms}},
    // A request leaves with the question whether the helper runs.
    {"not running: the request goes unheard", {"sensors"}, false, {},
     2, {"RequestSensors"}, {}, "it is not running; start it with", {}},
    {"not running, installed: started, then asked again", {"fans"}, false, {{"RequestFans", {"ResponseFans"}}},
     0, {"RequestFans", "RequestFans"}, {"Fans\n", "F0Ac"}, "", {}, Case::Launch::starts},
    {"not running and cannot be started", {"fans"}, false, {},
     2, {"RequestFans"}, {}, "not running and could not be started (not installed)", {}, Case::Launch::fails},
    {"terminate unconfirmed", {"terminate", "--timeout", "2"}, true, {},
     2, {"TerminateHelper"}, {}, "did not confirm that it stopped", {2000ms}},
    {"terminate when not running still posts", {"terminate"}, false, {},
     0, {"TerminateHelper"}, {}, "not running; nothing to stop", {}},
    {"one category at a time", {"fans", "sensors"}, true, {}, 64, {}, {}, "one command at a time", {}},
};

class CommandsTest : public ::testing::TestWithParam<Case> {};

TEST_P(CommandsTest, WaitsForTheHelperAsScripted) {
  const Case& c = GetParam();
  SCOPED_TRACE(c.what);
  testing::FakeSessionBus bus;
  if (c.running) bus.names().owned().insert(std::string(kHelperBusName));
  for (const auto& [request, responses] : c.peer) bus.answer(request, responses);
  testing::FakeHelperDataModel store;
  store.setFans({Fan("F0Ac", "Left", 2000, 1200, 6000, 2100)});
  int storeOpened = 0;
  std::ostringstream out, err;
  Context context{out, err, [&]() -> os::Result<os::SessionBus*> { return &bus; },
                  [&]() -> IHelperDataModel& { ++storeOpened; return store; }};
  if (c.launch != Case::Launch::none) {
    context.launchHelper = [&](std::chrono::milliseconds) -> os::Status {
      if (c.launch == Case::Launch::fails) return os::failure("not installed");
      bus.names().owned().insert(std::string(kHelperBusName));
      return {};
    };
  }

  EXPECT_EQ(runCommandLine(context, c.arguments), c.status);

  EXPECT_EQ(bus.center().postedNames(), c.posted);
  EXPECT_TRUE(std::ranges::none_of(bus.center().posted(), [](const auto& n) { return n.object.has_value(); }));
  if (c.out.empty()) { EXPECT_EQ(out.str() + std::to_string(storeOpened), "0"); }
  for (const char* piece : c.out) EXPECT_THAT(out.str(), HasSubstr(piece));
  EXPECT_THAT(err.str(), HasSubstr(c.err));
  EXPECT_EQ(err.str().find("usage:") != std::string::npos, c.status == 64);
  EXPECT_EQ(err.str().empty(), *c.err == '\0');
  EXPECT_THAT(bus.timeoutsPassed(), ElementsAreArray(c.timeoutsPassed));
  if (!c.posted.empty()) { EXPECT_GE(bus.flushes(), 1); }
  // Only the scripted peer is still listening.
  for (const auto& r : bus.center().registrations()) {
    EXPECT_EQ(r.observer, &bus) << r.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandsTest, ::testing::ValuesIn(kCases));

std::string sourceFile(const char* relative) {
  std::ostringstream text;
  text << std::ifstream(std::string(TELLWICK_SOURCE_DIR "/") + relative).rdbuf();
  return text.str();
}

// The manual page and the completion, written by hand, keep up with the
// tables: every command and option, and in the page every exit status.
TEST(DocumentationTest, TheManualPageAndTheCompletionNameEveryCommandOptionAndExitStatus) {
  const std::string page = sourceFile("dist/tellwickctl.1.scd");
  const std::string completion = sourceFile("dist/tellwickctl.bash-completion");
  const std::size_t listed = completion.find("commands=\"") + 10;
  const std::string completed = " " + completion.substr(listed, completion.find('"', listed) - listed) + " ";
  for (const Command* c : commands()) {
    EXPECT_THAT(page, HasSubstr("*" + std::string(c->name) + "*")) << c->name;
    EXPECT_THAT(completed, HasSubstr(" " + std::string(c->name) + " ")) << c->name;
  }
  const std::string options = optionsUsage(~0u), codes = sourceFile("tools/tellwickctl/exit_codes.h");
  const std::regex option("--[a-z]+"), code("= ([0-9]+);");
  for (std::sregex_iterator o(options.begin(), options.end(), option), end; o != end; ++o) {
    EXPECT_THAT(page, HasSubstr("*" + o->str() + "*"));
    EXPECT_THAT(completion, HasSubstr(o->str()));
  }
  const std::string statuses = page.substr(page.find("# EXIT STATUS"));
  for (std::sregex_iterator c(codes.begin(), codes.end(), code), end; c != end; ++c) {
    EXPECT_THAT(statuses.substr(0, statuses.find("# FILES")), HasSubstr("\n*" + (*c)[1].str() + "*\n"));
  }
}

}  // namespace
}  // namespace tellwick::ctl
