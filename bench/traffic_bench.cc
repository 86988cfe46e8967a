// One traffic sample with 2,000 open loopback connections: the Linux nettop
// against `ss -tinp` over the same sockets, each as a whole process, plus the
// sampler's parse of a sample that size.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "os/process/process_runner.h"
#include "platform/shell.h"
#include "traffic/network_controller.h"

namespace {

constexpr int kConnections = 2000;

// Both ends of every connection stay open in this process for the whole run.
class Connections {
 public:
  Connections() {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < 2 * kConnections + 64 && limit.rlim_max >= 2 * kConnections + 64) {
      limit.rlim_cur = 2 * kConnections + 64;
      ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* sa = reinterpret_cast<sockaddr*>(&address);
    if (listener < 0 || ::bind(listener, sa, length) != 0 || ::listen(listener, 64) != 0 ||
        ::getsockname(listener, sa, &length) != 0) {
      error_ = "cannot listen on loopback";
      return;
    }
    for (int i = 0; i < kConnections; ++i) {
      int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (client < 0 || ::connect(client, sa, length) != 0) {
        error_ = "cannot open connection " + std::to_string(i);
        break;
      }
      int server = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (server < 0) {
        error_ = "cannot accept connection " + std::to_string(i);
        break;
      }
      char byte = 'x';
      (void)!::send(client, &byte, 1, 0);
      (void)!::recv(server, &byte, 1, 0);
      fds_.push_back(client);
      fds_.push_back(server);
    }
    fds_.push_back(listener);
  }
  ~Connections() {
    for (int fd : fds_) ::close(fd);
  }
  const std::string& error() const { return error_; }

 private:
  std::vector<int> fds_;
  std::string error_;
};

Connections& connections() {
  static Connections* c = new Connections();
  return *c;
}

// User and system time of the children reaped so far, in milliseconds.
double childrenCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void runWholeProcess(benchmark::State& state, const std::string& path,
                     const std::vector<std::string>& argv) {
  if (!connections().error().empty()) {
    state.SkipWithError(connections().error().c_str());
    return;
  }
  auto runner = tellwick::os::newLinuxProcessRunner();
  std::size_t bytes = 0;
  const double cpuBefore = childrenCpuMs();
  for (auto _ : state) {
    // ss prints several MiB for these sockets, more than the helper lets a
    // tool print; both run with room for what they print.
    auto out = runner->run(path, argv, {"PATH=/usr/bin:/bin"}, {std::chrono::seconds(30), 256 << 20});
    if (!out) {
      state.SkipWithError((path + " failed").c_str());
      return;
    }
    bytes = out->size();
    benchmark::DoNotOptimize(out);
  }
  state.counters["output_bytes"] = static_cast<double>(bytes);
  // The machine is shared: the CPU the runs took is steadier than their time.
  state.counters["cpu_ms"] = (childrenCpuMs() - cpuBefore) / static_cast<double>(state.iterations());
}

void BM_LinuxNettop(benchmark::State& state) {
  runWholeProcess(state, std::string(TELLWICK_BIN_DIR) + "/nettop",
                  {"nettop", "-L", "1", "-P", "-x", "-J", "bytes_in,bytes_out"});
}
BENCHMARK(BM_LinuxNettop)->Unit(benchmark::kMillisecond);

void BM_SsTinp(benchmark::State& state) {
  runWholeProcess(state, "/usr/bin/ss", {"ss", "-tinp"});
}
BENCHMARK(BM_SsTinp)->Unit(benchmark::kMillisecond);

void BM_ParseTrafficSample(benchmark::State& state) {
  std::string text = ",bytes_in,bytes_out,\n";
  for (int pid = 1; pid <= kConnections; ++pid) {
    text += "com.example.agent." + std::to_string(pid) + ",123456789," + std::to_string(pid * 977) +
            ",\n";
  }
  for (auto _ : state) benchmark::DoNotOptimize(tellwick::parseTrafficSample(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseTrafficSample);

// Prints how the two whole-process runs compare once both have been measured.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.iterations > 0 && !run.error_occurred) {
        times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        auto cpu = run.counters.find("cpu_ms");
        if (cpu != run.counters.end()) cpus_[run.benchmark_name()] = cpu->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto nettop = times_.find("BM_LinuxNettop");
    auto ss = times_.find("BM_SsTinp");
    if (nettop != times_.end() && ss != times_.end() && ss->second > 0) {
      std::printf("nettop / ss -tinp time with %d connections: %.2f (CPU: %.2f)\n", kConnections,
                  nettop->second / ss->second, cpus_["BM_LinuxNettop"] / std::max(cpus_["BM_SsTinp"], 1e-9));
    }
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> cpus_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
