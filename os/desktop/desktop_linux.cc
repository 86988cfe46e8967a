#include <chrono>
#include <utility>

#include "os/desktop/desktop.h"
#include "os/process/process_runner.h"

namespace tellwick::os {
namespace {

using namespace std::chrono_literals;

// The opener runs in a session of its own, in the background of a shell
// that exits at once: the runner reaps the shell and kills what stays in
// its process group, but the opener and the browser it starts are in
// neither, and nobody here waits for them.
constexpr const char* kDetachedOpen =
    "command -v xdg-open >/dev/null || exit 127\n"
    "setsid xdg-open \"$1\" </dev/null >/dev/null 2>&1 &";

class XdgDesktop final : public Desktop {
 public:
  XdgDesktop(ProcessRunner& runner, std::vector<std::string> environment)
      : runner_(runner), environment_(std::move(environment)) {}

  Status open(const std::string& target) override {
    if (!runner_.run("/bin/sh", {"sh", "-c", kDetachedOpen, "sh", target}, environment_, {5s, 4096})) {
      return failure("cannot open " + target + ": xdg-open is not on PATH or could not be started");
    }
    return {};
  }

 private:
  ProcessRunner& runner_;
  std::vector<std::string> environment_;
};

}  // namespace

std::unique_ptr<Desktop> newLinuxDesktop(ProcessRunner& runner, std::vector<std::string> environment) {
  return std::make_unique<XdgDesktop>(runner, std::move(environment));
}

}  // namespace tellwick::os
