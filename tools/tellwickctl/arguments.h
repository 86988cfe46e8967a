#ifndef TELLWICK_TOOLS_TELLWICKCTL_ARGUMENTS_H_
#define TELLWICK_TOOLS_TELLWICKCTL_ARGUMENTS_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {

// The parsed arguments (argv[0] excluded), or a one-line reason why they are
// not acceptable.
struct ParseResult {
  std::optional<Invocation> invocation;
  std::string error;
};
ParseResult parseArguments(const std::vector<std::string>& arguments);

// The usage text, built from the command tables.
std::string usage();

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_ARGUMENTS_H_
