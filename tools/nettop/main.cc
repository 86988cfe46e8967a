// nettop: one sample of cumulative TCP traffic per process, in the
// comma-separated form the helper's traffic sampler reads.
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tools/nettop/nettop_sample.h"

namespace {

constexpr int kUsageExit = 64;

}  // namespace

int main(int argc, char** argv) {
  using namespace tellwick::nettop;
  std::vector<std::string> args(argv + 1, argv + argc);
  Invocation invocation = parseArguments(args);
  if (invocation.action == Invocation::Action::help) {
    std::fwrite(usageText().data(), 1, usageText().size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (invocation.action == Invocation::Action::usage) {
    std::fprintf(stderr, "nettop: %s\n", invocation.error.c_str());
    std::fwrite(usageText().data(), 1, usageText().size(), stderr);
    return kUsageExit;
  }

  // The kernel's socket tables and the processes' descriptors are read at
  // once: the two take about as long, and neither waits for the other.
  SocketTable table;
  table.reserve(4096);
  tellwick::os::Status dumped;
  std::thread dump([&] { dumped = dumpTcpSockets(table); });
  auto scanned = scanProcesses("/proc", std::max(1u, std::thread::hardware_concurrency()));
  dump.join();
  if (!dumped) {
    std::fprintf(stderr, "nettop: %s\n", dumped.error().c_str());
    return 1;
  }
  std::string out = formatSample(matchProcesses(scanned, "/proc", table), invocation.columns);
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "nettop: cannot write the sample: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
