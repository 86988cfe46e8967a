// The helper: serves requests on the session bus until asked to stop.
//
// Exit status: 0 after TerminateHelper, SIGTERM or SIGINT; 1 when there is
// no session bus, another helper already serves, or the bus went away.

#include <cstdio>
#include <cstdlib>

#include "app/app_delegate.h"
#include "app/helper_controller.h"
#include "app/production_parts.h"
#include "os/process_runner.h"
#include "os/property_list_coder.h"
#include "os/session_bus.h"
#include "os/smc_user_client.h"
#include "os/system_identification.h"
#include "os/user_defaults.h"
#include "protocol/helper_notifications.h"

int main(int, char**) {
  using namespace tellwick;

  auto connection = os::connectSessionBus();
  if (!connection.bus) {
    std::fprintf(stderr, "tellwick: %s\n", connection.error.c_str());
    return 1;
  }
  if (auto refused = connection.bus->claimName(std::string(kHelperBusName))) {
    std::fprintf(stderr, "tellwick: not starting: %s (is another helper running?)\n",
                 refused->c_str());
    return 1;
  }

  auto application = connection.bus->makeApplication();
  auto system = os::makeSystemIdentification();
  auto coder = os::newLibplistPropertyListCoder();
  auto userDefaults = os::newLinuxUserDefaults(*coder);
  auto smc = os::makeLinuxSmcUserClient();
  auto runner = os::makeLinuxProcessRunner();
  auto parts = makeProductionHelperParts(HelperServices{
      connection.bus->notificationCenter(), *userDefaults, *coder, *smc, *runner});

  AppDelegate delegate(*application, connection.bus->notificationCenter(),
                       [&] { return std::make_unique<HelperController>(*parts, *system); });
  os::ApplicationExit exit = application->run(delegate);
  if (exit.status != 0) std::fprintf(stderr, "tellwick: %s\n", exit.message.c_str());

  // Leave without unwinding: the composition root lives as long as the
  // process, and tearing it down would have the Intel sensor controller
  // clear the shared store, whose answers must outlive the helper.
  std::fflush(nullptr);
  std::exit(exit.status);
}
