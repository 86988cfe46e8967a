// tellwickctl: the command-line client of the helper. Asks the running
// helper for a category over the notification channel and prints what it
// stored, as any client application would; reads this machine's batteries
// and Bluetooth LE devices itself; installs, starts and checks the helper.
// Exit statuses: tools/tellwickctl/exit_codes.h.

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/bus/session_bus.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/commands.h"
#include "tools/tellwickctl/install.h"

int main(int argc, char** argv, char** envp) {
  using namespace tellwick;
  using namespace tellwick::ctl;

  std::unique_ptr<os::SessionBus> bus;
  std::optional<std::string> busError;
  auto connect = [&]() -> os::Result<os::SessionBus*> {
    if (!bus && !busError) {
      auto connection = os::connectSessionBus();
      if (connection) {
        bus = std::move(connection).value();
      } else {
        busError = connection.error();
      }
    }
    if (!bus) return os::failure(*busError);
    return bus.get();
  };

  std::unique_ptr<os::PropertyListCoder> coder;
  std::unique_ptr<os::UserDefaults> defaults;
  std::optional<HelperDataModel> store;
  Context context{std::cout, std::cerr, connect,
                  [&]() -> IHelperDataModel& {
                    if (!store) {
                      coder = os::newLinuxPropertyListCoder();
                      defaults = os::newLinuxUserDefaults(*coder);
                      store.emplace(*defaults, *coder);
                    }
                    return *store;
                  },
                  [&](std::chrono::milliseconds timeout) -> os::Status {
                    auto connected = connect();
                    if (!connected) return os::failure(connected.error());
                    return launchInstalledHelper(**connected, timeout);
                  },
                  [&](SensorDataModelKey key) { return store ? store->readFailure(key) : std::nullopt; }};
  for (char** entry = envp; *entry; ++entry) context.environment.emplace_back(*entry);
  return runCommandLine(context, std::vector<std::string>(argv + 1, argv + argc));
}
