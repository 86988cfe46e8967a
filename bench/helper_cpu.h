#ifndef TELLWICK_BENCH_HELPER_CPU_H_
#define TELLWICK_BENCH_HELPER_CPU_H_

#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace tellwick::testing {

// The helper's own CPU seconds (in clock ticks, ended threads included)
// and those of the tools it ran, reaped or still running, in
// the process tree from pid (umockdev-run, the helper below it).
struct HelperCpu {
  double own = 0;
  // The helper's threads that still run, in nanoseconds: finer than own,
  // and as much when none of its threads has ended.
  double liveThreads = 0;
  double tools = 0;
};

// CPU seconds of one process's threads so far, as the scheduler counts them.
inline double threadsCpuSeconds(pid_t pid) {
  double seconds = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream schedstat(task.path() / "schedstat");
    double nanoseconds = 0;
    schedstat >> nanoseconds;
    seconds += nanoseconds / 1e9;
  }
  return seconds;
}

inline void addHelperCpu(pid_t pid, bool belowHelper, HelperCpu& cpu) {
  const std::string dir = "/proc/" + std::to_string(pid);
  std::ifstream stat(dir + "/stat");
  std::string line;
  if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) return;
  const bool helper = line.find("(tellwick)") != std::string::npos;
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::vector<std::string> f{std::istream_iterator<std::string>(fields), {}};
  // utime, stime, cutime and cstime: fields 14 to 17 of the file.
  auto ticks = [&](std::size_t i) { return f.size() > i ? std::stod(f[i]) / static_cast<double>(::sysconf(_SC_CLK_TCK)) : 0; };
  if (helper) {
    // The process's clock ticks, not its threads' nanoseconds: a thread
    // that has ended (one per tool run, say) leaves no schedstat behind.
    cpu.own += ticks(11) + ticks(12);
    cpu.liveThreads += threadsCpuSeconds(pid);
    cpu.tools += ticks(13) + ticks(14);
  } else if (belowHelper) {
    cpu.tools += ticks(11) + ticks(12) + ticks(13) + ticks(14);
  }
  std::ifstream children(dir + "/task/" + std::to_string(pid) + "/children");
  for (pid_t child = 0; children >> child;) addHelperCpu(child, belowHelper || helper, cpu);
}

inline HelperCpu helperCpu(pid_t pid) {
  HelperCpu cpu;
  addHelperCpu(pid, false, cpu);
  return cpu;
}

}  // namespace tellwick::testing

#endif  // TELLWICK_BENCH_HELPER_CPU_H_
