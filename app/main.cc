// The helper: serves requests on the session bus until asked to stop.
//
// Exit status: 0 after TerminateHelper, SIGTERM or SIGINT; 1 when there is
// no session bus, another helper already serves, or the bus went away.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_delegate.h"
#include "app/helper_controller.h"
#include "os/bus/session_bus.h"
#include "os/file_pages.h"
#include "os/files/install_layout.h"
#include "os/files/resource_bundle.h"
#include "os/process/process_runner.h"
#include "os/sensors/hid_event_system.h"
#include "os/sensors/hwmon_watch.h"
#include "os/sensors/smc_linux.h"
#include "os/sensors/smc_user_client.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "os/system_identification.h"
#include "platform/shell.h"
#include "protocol/helper_notifications.h"

int main(int, char**, char** envp) {
  using namespace tellwick;

  auto connection = os::connectServingSessionBus();
  if (!connection) {
    std::fprintf(stderr, "tellwick: %s\n", connection.error().c_str());
    return 1;
  }
  os::SessionBus& bus = **connection;

  auto application = bus.makeApplication();
  auto system = os::newLinuxSystemIdentification();
  auto coder = os::newLinuxPropertyListCoder();
  auto userDefaults = os::newLinuxUserDefaults(*coder);
  // Chips that come or go while the helper runs are listed again for the
  // next request; without the watch, those present at start serve.
  auto hwmon = os::newLinuxHwmonWatch(bus.mainQueue());
  if (!hwmon) std::fprintf(stderr, "tellwick: %s\n", hwmon.error().c_str());
  const os::HwmonWatch* chips = hwmon ? hwmon->get() : nullptr;
  auto smc = os::newLinuxSmcUserClient("/sys", chips);
  // Tools run off the loop, so a hung one delays only its own category.
  auto runner = os::newLinuxProcessRunner(&bus.mainQueue());
  const std::vector<std::string> environment =
      Shell::withToolDirectory(Shell::environmentOf(envp), os::installedToolDirectory());
  const HelperServices services{bus.notificationCenter(),
                                *userDefaults,
                                *coder,
                                *smc,
                                *runner,
                                os::installedBundle(),
                                environment,
                                [chips] { return os::newLinuxHidEventSystem(std::nullopt, nullptr, chips); },
                                [] { return os::linuxSmcPresent(); },
                                &bus.mainQueue()};

  AppDelegate delegate(*application, bus.notificationCenter(),
                       [&] { return bus.claimName(std::string(kHelperBusName)); }, [&] {
    auto controller = std::make_unique<HelperController>(services, *system);
    // Start-up is over: what it read from files (the symbol tables, the
    // start-up code) goes back to the kernel rather than idle here.
    os::releaseReadOnlyFilePages();
    return controller;
  });
  os::ApplicationExit exit = application->run(delegate);
  if (!delegate.launchFailure().empty()) {
    std::fprintf(stderr, "tellwick: not starting: %s (is another helper running?)\n",
                 delegate.launchFailure().c_str());
    return 1;
  }
  // Whatever the helper started goes with it, however it was asked to stop.
  runner->stopAll();
  if (exit.status != 0) std::fprintf(stderr, "tellwick: %s\n", exit.message.c_str());

  // Leave without unwinding: the composition root lives as long as the
  // process, and tearing it down would have the Intel sensor controller
  // clear the shared store, whose answers must outlive the helper. Nor
  // through exit: a hardware read that hangs holds its stream's lock, which
  // exit's flush of every stream would wait for.
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(exit.status);
}
