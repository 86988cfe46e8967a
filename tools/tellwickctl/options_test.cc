#include "tools/tellwickctl/options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {
namespace {

// A command line read against the real command table, as "words | options"
// with only the options that differ from their defaults, or "refused: why".
std::string read(const std::vector<std::string>& arguments) {
  auto line = readCommandLine(arguments, [](std::string_view name) -> std::optional<unsigned> {
    const Command* command = findCommand(name);
    return command ? std::optional(command->options) : std::nullopt;
  });
  if (!line) return "refused: " + line.error();
  std::ostringstream text;
  for (const auto& w : line->words) text << w << " ";
  const Options& o = line->options;
  text << "|";
  if (o.help) text << " help";
  if (o.json) text << " json";
  if (o.once) text << " once";
  if (o.timeout.count() != 10'000) text << " t=" << o.timeout.count();
  if (o.via != Options::Via::xdg) text << " via=systemd";
  if (o.interval != 1) text << " i=" << o.interval;
  if (o.only) text << " only=" << *o.only;
  if (o.count) text << " n=" << *o.count;
  return text.str();
}

TEST(CommandLineTest, ReadsEachOptionOnceWhereverItStands) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"fans"}, "fans |"},
      {{"--json", "all", "--timeout", "2.5"}, "all | json t=2500"},
      {{"batteries", "--timeout=86400"}, "batteries | t=86400000"},
      {{"fans", "--timeout", "0.0001"}, "fans | t=1"},
      {{"sensors", "--help", "--nonsense"}, "sensors | help"},
      {{"--help"}, "| help"},
      {{"le", "monitor", "c0:ff:ee:00:00:01"}, "le monitor c0:ff:ee:00:00:01 |"},
      {{"le", "--json", "--once", "--timeout", "2.5"}, "le | json once t=2500"},
      {{"autostart", "off", "--via", "systemd"}, "autostart off | via=systemd"},
      {{"autostart", "--via=xdg", "on"}, "autostart on |"},
      {{"watch", "--interval", "0.2", "--only=fans,fans", "--count", "3", "--json"}, "watch | json i=0.2 only=fans,fans n=3"},
      {{"watch", "--interval=60"}, "watch | i=60"},
  };
  for (const auto& [arguments, expected] : cases) EXPECT_EQ(read(arguments), expected);
}

TEST(CommandLineTest, RefusesWithOneLineSayingWhy) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "no command given"},
      {{"temperatures"}, "unknown command 'temperatures'"},
      {{"fans", "--verbose"}, "unknown option '--verbose'"},
      {{"--json=1", "fans"}, "--json takes no value"},
      {{"terminate", "--json"}, "terminate does not take --json"},
      {{"fans", "--timeout"}, "--timeout needs a value"},
      {{"fans", "--timeout", "0"}, "--timeout wants seconds between 0 and 86400, not '0'"},
      {{"fans", "--timeout", "1s"}, "not '1s'"},
      {{"fans", "--timeout", "nan"}, "not 'nan'"},
      {{"fans", "--timeout", "86401"}, "not '86401'"},
      {{"autostart", "on", "--via", "launchd"}, "--via wants xdg or systemd, not 'launchd'"},
      {{"watch", "--interval", "0.1"}, "--interval wants seconds from 0.2 to 60"},
      {{"watch", "--interval", "61"}, "not '61'"},
      {{"watch", "--interval", "nan"}, "not 'nan'"},
      {{"watch", "--count", "0"}, "--count wants a whole number from 1"},
      {{"watch", "--count", "99999999999999999999"}, "not '99999999999999999999'"},
  };
  for (const auto& [arguments, reason] : cases) {
    EXPECT_THAT(read(arguments), ::testing::StartsWith(std::string("refused: ")));
    EXPECT_THAT(read(arguments), ::testing::HasSubstr(reason));
  }
}

TEST(CommandLineTest, TheUsageLinesUpEveryFormAndACommandShowsItsOwnOptions) {
  // Each synopsis is the command table's own; what usage() adds is the
  // layout, the merged line of the categories and the forms of one command.
  const std::string text = usage();
  EXPECT_THAT(text, ::testing::StartsWith(
                        "usage: tellwickctl sensors|fans|traffic|batteries|all [--json] [--timeout SECONDS]\n"
                        "       tellwickctl terminate [--timeout SECONDS]\n"));
  EXPECT_THAT(text, ::testing::HasSubstr("\n       tellwickctl le [--json] [--once] [--timeout SECONDS]\n"
                                         "       tellwickctl le monitor|unmonitor ADDRESS\n"));
  EXPECT_THAT(text, ::testing::EndsWith("--via xdg|systemd]\nRun 'tellwickctl COMMAND --help' for what a command does.\n"));
  EXPECT_THAT(usage(findCommand("terminate")),
              ::testing::EndsWith("  --timeout SECONDS     how long to wait (default 10)\n"));
}

}  // namespace
}  // namespace tellwick::ctl
