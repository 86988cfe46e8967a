#ifndef TELLWICK_BENCH_UMOCKDEV_MAIN_H_
#define TELLWICK_BENCH_UMOCKDEV_MAIN_H_

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tellwick::bench {

// Runs the registered benchmarks over a umockdev device tree. The tree
// replaces /sys only for a process that umockdev-run starts, so a benchmark
// started by hand re-executes itself under umockdev-run first.
inline int runOverDeviceTree(int argc, char** argv, const char* fixture,
                             benchmark::BenchmarkReporter* reporter = nullptr) {
  if (!std::getenv("UMOCKDEV_DIR")) {
    std::vector<char*> args = {const_cast<char*>("umockdev-run"), const_cast<char*>("--device"),
                               const_cast<char*>(fixture), const_cast<char*>("--")};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execvp("umockdev-run", args.data());
    std::perror("umockdev-run");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (reporter) {
    benchmark::RunSpecifiedBenchmarks(reporter);
  } else {
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace tellwick::bench

#endif  // TELLWICK_BENCH_UMOCKDEV_MAIN_H_
