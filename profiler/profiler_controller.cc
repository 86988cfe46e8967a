#include "profiler/profiler_controller.h"

#include "platform/shell.h"
#include "profiler/profiler_output_parser.h"

namespace tellwick {

OutputTree ProfilerController::run() {
  // The shell, not the runner, looks the tool up on PATH; the service name
  // goes in unquoted, as the tool's one argument.
  std::optional<std::string> text =
      Shell::runText(runner_, environment_, {"-c", "system_profiler " + service_.name()});
  return ProfilerOutputParser().parse(text);
}

void ProfilerController::start(std::function<void(OutputTree)> done) {
  Shell::startText(runner_, environment_, {"-c", "system_profiler " + service_.name()},
                   [done = std::move(done)](std::optional<std::string> text) {
                     done(ProfilerOutputParser().parse(text));
                   });
}

}  // namespace tellwick
