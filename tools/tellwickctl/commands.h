#ifndef TELLWICK_TOOLS_TELLWICKCTL_COMMANDS_H_
#define TELLWICK_TOOLS_TELLWICKCTL_COMMANDS_H_

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "os/bus/session_bus.h"
#include "os/result.h"
#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/category.h"
#include "tools/tellwickctl/options.h"

namespace tellwick::ctl {

// What a command runs against. main wires the session bus, the shared store
// and the standard streams; tests wire fakes and string streams. Every
// command prints through out and err only.
struct Context {
  std::ostream& out;
  std::ostream& err;
  // The session bus, connected on first call; why not when there is none.
  std::function<os::Result<os::SessionBus*>()> bus = {};
  // The shared store, opened on first call only, since opening it makes its
  // directory.
  std::function<IHelperDataModel&()> store = {};
  // When set, starts an installed helper that is not running and waits up
  // to the given time for it to announce itself; why not otherwise.
  std::function<os::Status(std::chrono::milliseconds)> launchHelper = {};
  // Why the store's last read of a key failed; unset when reads cannot fail.
  std::function<std::optional<std::string>(SensorDataModelKey)> storeFailure = {};
  // The environment ("NAME=value" entries) of the programs commands start.
  std::vector<std::string> environment = {};
};

// A subcommand. Each is written in a file of its own beside commands.cc and
// given one line in its table.
struct Command {
  std::string_view name;
  // What follows the name in the usage text; one line per form.
  std::string_view synopsis;
  // What it does, for its own usage text.
  std::string_view summary;
  // The Option bits it takes.
  unsigned options;
  // Runs it on its command line (words[0] is its name); the exit status.
  int (*run)(Context& context, const CommandLine& line);
};

// Every subcommand, in usage order.
std::span<const Command* const> commands();
const Command* findCommand(std::string_view name);

// Every category, in the order "all" asks for and prints them; each one is
// also a subcommand of its own name.
std::span<const Category* const> categories();

// The usage text of every command, or of command alone with its options.
std::string usage(const Command* command = nullptr);

// Reads and runs a command line (the arguments after the program's name):
// the usage on --help, one line and the usage with exit status 64 when the
// arguments are not acceptable.
int runCommandLine(Context& context, const std::vector<std::string>& arguments);

// Says why line's command cannot run as asked, with its usage; returns 64.
int refuse(Context& context, const CommandLine& line, const std::string& why);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_COMMANDS_H_
