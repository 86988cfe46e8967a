#ifndef TELLWICK_TOOLS_TELLWICKCTL_COMMANDS_H_
#define TELLWICK_TOOLS_TELLWICKCTL_COMMANDS_H_

#include <chrono>
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "os/bus/session_bus.h"
#include "os/result.h"
#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/category.h"

namespace tellwick::ctl {

inline constexpr int kExitAnswered = 0;
inline constexpr int kExitNoAnswer = 2;  // also: no bus to ask on
inline constexpr int kExitUsage = 64;
inline constexpr int kExitStoreUnreadable = 74;  // answered, but the store cannot be read

// What a command runs against. main wires the session bus, the shared store
// and the standard streams; tests wire fakes and string streams. store opens
// the shared store on first call only, since opening it makes its directory.
// launchHelper, when set, starts an installed helper that is not running and
// waits up to the given time for it to announce itself; why not otherwise.
struct Context {
  os::SessionBus& bus;
  std::function<IHelperDataModel&()> store;
  std::ostream& out;
  std::ostream& err;
  std::function<os::Status(std::chrono::milliseconds)> launchHelper = {};
  // Why the store's last read of a key failed; unset when reads cannot fail.
  std::function<std::optional<std::string>(SensorDataModelKey)> storeFailure = {};
};

struct Command;

// What the command line asked for.
struct Invocation {
  bool help = false;
  const Command* command = nullptr;         // set unless help
  std::vector<const Category*> categories;  // what kQuery asks for, in output order
  bool json = false;
  std::chrono::milliseconds timeout{10'000};
};

// A subcommand: its name, the options shown after it in the usage text,
// whether --json applies, and what it does; returns the exit status.
struct Command {
  std::string_view name;
  std::string_view options;
  bool printsJson;
  int (*run)(Context& context, const Invocation& invocation);
};

// A subcommand that reads its own arguments and opens what it needs itself
// (another bus, a terminal): the words after its name in, the exit status
// out. Listed in the usage text after the others.
struct StandaloneCommand {
  std::string_view name;
  std::string_view synopsis;
  int (*run)(const std::vector<std::string>& arguments);
};

// Every category, in the order "all" asks for and prints them; each one is
// also a subcommand of its own name that runs kQuery.
std::span<const Category* const> categories();

// The subcommands other than the categories and "all", in usage order.
std::span<const Command* const> commands();

std::span<const StandaloneCommand* const> standaloneCommands();

// Asks the helper for invocation.categories, waits for their responses up to
// invocation.timeout, and prints what the store holds for those that came.
extern const Command kQuery;

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_COMMANDS_H_
