#ifndef TELLWICK_TOOLS_TELLWICKCTL_OPTIONS_H_
#define TELLWICK_TOOLS_TELLWICKCTL_OPTIONS_H_

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"

namespace tellwick::ctl {

// The options of tellwickctl's commands; each command names those it takes.
enum Option : unsigned {
  kJsonOption = 1u << 0,      // --json
  kTimeoutOption = 1u << 1,   // --timeout SECONDS, above 0 and up to a day
  kOnceOption = 1u << 2,      // --once
  kViaOption = 1u << 3,       // --via xdg|systemd
  kIntervalOption = 1u << 4,  // --interval SECONDS, 0.2 to 60
  kOnlyOption = 1u << 5,      // --only LIST
  kCountOption = 1u << 6,     // --count N, from 1
};

struct Options {
  enum class Via { xdg, systemd };
  bool help = false;  // -h or --help, which every command takes
  bool json = false;
  bool once = false;
  std::chrono::milliseconds timeout{10'000};
  Via via = Via::xdg;
  double interval = 1;
  std::optional<std::string> only;  // as given, names separated by commas
  std::optional<long> count;
};

// A command line: the words that are not options, the first of which names
// the command, and the options, each read once and checked.
struct CommandLine {
  std::vector<std::string> words;
  Options options;
};

// Reads arguments (the command line after the program's name). Options may
// stand anywhere, with their values as "--name VALUE" or "--name=VALUE".
// accepted gives the options the command words[0] takes, or nullopt when
// there is no such command. On failure, one line saying what is wrong.
os::Result<CommandLine> readCommandLine(
    const std::vector<std::string>& arguments,
    const std::function<std::optional<unsigned>(std::string_view command)>& accepted);

// The usage lines of the options given, one per option.
std::string optionsUsage(unsigned options);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_OPTIONS_H_
