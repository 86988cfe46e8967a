#include "tools/tellwickctl/arguments.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace tellwick::ctl {
namespace {

constexpr std::string_view kAll = "all";

ParseResult rejected(std::string reason) { return {std::nullopt, std::move(reason)}; }

}  // namespace

std::string usage() {
  std::string text = "usage: tellwickctl ";
  for (const Category* c : categories()) text += std::string(c->name) + "|";
  text += std::string(kAll) + " [--json] [--timeout SECONDS]\n";
  for (const Command* c : commands()) {
    text += "       tellwickctl " + std::string(c->name) + " " + std::string(c->options) + "\n";
  }
  for (const StandaloneCommand* c : standaloneCommands()) {
    text += "       tellwickctl " + std::string(c->name);
    if (!c->synopsis.empty()) text += " " + std::string(c->synopsis);
    text += "\n";
  }
  return text +
         "Asks the running tellwick helper for one category (or all) and prints its answer.\n"
         "  --json             print the records as one JSON document\n"
         "  --timeout SECONDS  how long to wait for the helper (default 10)\n";
}

ParseResult parseArguments(const std::vector<std::string>& arguments) {
  Invocation invocation;
  std::optional<std::string> name;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "-h" || a == "--help") {
      invocation.help = true;
      return {invocation, {}};
    }
    if (a == "--json") {
      invocation.json = true;
    } else if (a == "--timeout" || a.starts_with("--timeout=")) {
      std::string text;
      if (a == "--timeout") {
        if (i + 1 == arguments.size()) return rejected("--timeout needs a number of seconds");
        text = arguments[++i];
      } else {
        text = a.substr(std::string("--timeout=").size());
      }
      double seconds = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
      if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
          seconds <= 0 || seconds > 86400) {
        return rejected("--timeout wants seconds between 0 and 86400, not '" + text + "'");
      }
      invocation.timeout = std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
    } else if (a.starts_with("-")) {
      return rejected("unknown option '" + a + "'");
    } else if (name) {
      return rejected("one command at a time ('" + *name + "', then '" + a + "')");
    } else {
      name = a;
    }
  }
  if (!name) return rejected("no command given");
  for (const Command* c : commands()) {
    if (*name != c->name) continue;
    if (invocation.json && !c->printsJson) {
      return rejected(*name + " prints nothing; --json does not apply");
    }
    invocation.command = c;
    return {invocation, {}};
  }
  for (const Category* c : categories()) {
    if (*name == kAll || *name == c->name) invocation.categories.push_back(c);
  }
  if (invocation.categories.empty()) return rejected("unknown command '" + *name + "'");
  invocation.command = &kQuery;
  return {invocation, {}};
}

}  // namespace tellwick::ctl
