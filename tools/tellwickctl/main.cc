// tellwickctl: asks the running helper for a category over the notification
// channel and prints what it stored, as any client application would.
//
// Exit status: 0 answered, 2 the helper did not answer (or no bus to ask
// on), 64 bad arguments.

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/bus/session_bus.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/arguments.h"
#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/install.h"

int main(int argc, char** argv) {
  using namespace tellwick;
  using namespace tellwick::ctl;

  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty()) {
    for (const StandaloneCommand* c : standaloneCommands()) {
      if (arguments.front() == c->name) return c->run({arguments.begin() + 1, arguments.end()});
    }
  }
  ParseResult parsed = parseArguments(arguments);
  if (!parsed.invocation) {
    std::fprintf(stderr, "tellwickctl: %s\n%s", parsed.error.c_str(), usage().c_str());
    return kExitUsage;
  }
  const Invocation& invocation = *parsed.invocation;
  if (invocation.help) {
    std::fputs(usage().c_str(), stdout);
    return 0;
  }
  auto connection = os::connectSessionBus();
  if (!connection) {
    std::fprintf(stderr, "tellwickctl: the helper cannot be asked: %s\n", connection.error().c_str());
    return kExitNoAnswer;
  }

  auto coder = os::newLinuxPropertyListCoder();
  auto defaults = os::newLinuxUserDefaults(*coder);
  std::optional<HelperDataModel> store;
  Context context{**connection,
                  [&]() -> IHelperDataModel& {
                    if (!store) store.emplace(*defaults, *coder);
                    return *store;
                  },
                  std::cout, std::cerr,
                  [&](std::chrono::milliseconds timeout) {
                    return launchInstalledHelper(**connection, timeout);
                  },
                  [&](SensorDataModelKey key) {
                    return store ? store->readFailure(key) : std::nullopt;
                  }};
  return invocation.command->run(context, invocation);
}
