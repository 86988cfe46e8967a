// Starting the helper on demand: from the client's request to the bus to
// start "com.quorvane.helper" (D-Bus activation through a service file) until
// the helper's "HelperStarted" arrives. Each iteration then stops the helper
// and waits until its name is free again, outside the timed span.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "os/bus/bus_names.h"
#include "os/bus/session_bus.h"
#include "os/desktop/desktop.h"
#include "os/desktop/http_client.h"
#include "os/files/file_system.h"
#include "os/store/property_list_coder.h"
#include "protocol/tellwick.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/support/activating_bus.h"

namespace {

using namespace std::chrono_literals;
using namespace tellwick;

void BM_ActivationToHelperStarted(benchmark::State& state) {
  testing::ScratchDirectory scratch("tellwick-activation");
  scratch.writeFile("services/com.quorvane.helper.service",
                    "[D-BUS Service]\nName=com.quorvane.helper\nExec=" + std::string(TELLWICK_BIN_DIR) +
                        "/tellwick\n");
  testing::ActivatingBus bus(scratch.string() + "/services",
                             {"PATH=/usr/bin:/bin", "HOME=" + scratch.string(),
                              "XDG_CONFIG_HOME=" + scratch.string() + "/config"});
  ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
  auto client = os::connectSessionBus();
  auto names = os::newLinuxBusNames();
  if (!client || !names) {
    state.SkipWithError("no private bus");
    return;
  }
  auto files = os::newLinuxFileSystem();
  tellwick::testing::FakeDesktop desktop;
  auto http = os::newLinuxHttpClient();
  auto coder = os::newLinuxPropertyListCoder();
  TellwickContext context{*files, **names, (*client)->notificationCenter(), desktop, *http, *coder,
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
BENCHMARK(BM_ActivationToHelperStarted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
