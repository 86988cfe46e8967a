// Starting the helper on demand: from the client's request to the bus to
// start it until the helper's "HelperStarted" arrives, once with the bus
// running the service file's Exec= itself and once with the bus handing the
// start to the systemd user manager (a stand-in here), as a systemd
// session's bus does. Each iteration then stops the helper and waits until
// its name is free again, outside the timed span.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "os/bus/session_bus.h"
#include "os/desktop/http_client.h"
#include "os/files/file_system.h"
#include "os/store/property_list_coder.h"
#include "protocol/tellwick.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/support/private_bus.h"

namespace {

using namespace std::chrono_literals;
using namespace tellwick;

void BM_ActivationToHelperStarted(benchmark::State& state, bool throughSystemd) {
  testing::ScratchDirectory scratch("tellwick-activation");
  const std::string helper = std::string(TELLWICK_BIN_DIR) + "/tellwick";
  scratch.writeFile("services/" + std::string(kHelperBusName) + ".service",
                    "[D-BUS Service]\nName=" + std::string(kHelperBusName) + "\nExec=" + helper +
                        "\nSystemdService=tellwick.service\n");
  scratch.writeFile("config/systemd/user/tellwick.service",
                    "[Service]\nType=dbus\nBusName=" + std::string(kHelperBusName) + "\nExecStart=" + helper + "\n");
  testing::PrivateBus bus({.serviceFolder = scratch.string() + "/services",
                           .systemdManager = throughSystemd ? TELLWICK_FIXTURES_DIR "/services/systemd_user_manager.py" : "",
                           .environment = {"PATH=/usr/bin:/bin", "HOME=" + scratch.string(),
                                           "XDG_CONFIG_HOME=" + scratch.string() + "/config"}});
  auto client = os::connectSessionBus();
  if (bus.address().empty() || !client) {
    state.SkipWithError("no private bus");
    return;
  }
  auto files = os::newLinuxFileSystem();
  testing::FakeDesktop desktop;
  auto http = os::newLinuxHttpClient();
  auto coder = os::newLinuxPropertyListCoder();
  TellwickContext context{*files, (*client)->names(), (*client)->notificationCenter(), desktop, *http, *coder,
                          scratch.string(), "", ""};
  for (auto _ : state) {
    auto asked = std::chrono::steady_clock::now();
    auto launched = Tellwick::launchAndWait(context, **client, 20s);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count());
    if (!launched) {
      state.SkipWithError(launched.error().c_str());
      return;
    }
    Tellwick::terminate(context);
    (*client)->flush();
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Tellwick::isRunning(context) && std::chrono::steady_clock::now() < deadline) {
      (*client)->runUntil([] { return false; }, 5ms);
    }
  }
}
BENCHMARK_CAPTURE(BM_ActivationToHelperStarted, bus, false)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_ActivationToHelperStarted, systemd, true)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
