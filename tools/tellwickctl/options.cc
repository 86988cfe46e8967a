#include "tools/tellwickctl/options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "tools/tellwickctl/watch/watch_options.h"

namespace tellwick::ctl {
namespace {

struct OptionSpec {
  Option bit;
  std::string_view name;
  std::string_view value;  // empty for a flag
  std::string_view help;
};

constexpr OptionSpec kSpecs[] = {
    {kJsonOption, "--json", "", "print JSON instead of text"},
    {kTimeoutOption, "--timeout", "SECONDS", "how long to wait (default 10)"},
    {kOnceOption, "--once", "", "print once the first round of reads is in, then exit"},
    {kViaOption, "--via", "xdg|systemd", "an autostart entry (default) or the systemd user unit"},
    {kIntervalOption, "--interval", "SECONDS", "time between updates, 0.2 to 60 (default 1)"},
    {kOnlyOption, "--only", "LIST", "the categories to show, separated by commas"},
    {kCountOption, "--count", "N", "stop after N intervals"},
};

const OptionSpec* findSpec(std::string_view name) {
  auto it = std::find_if(std::begin(kSpecs), std::end(kSpecs), [&](const OptionSpec& s) { return s.name == name; });
  return it == std::end(kSpecs) ? nullptr : it;
}

template <typename Number>
std::optional<Number> number(const std::string& text) {
  Number value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Puts the checked value of one option into options; why not otherwise.
os::Status apply(const OptionSpec& spec, const std::string& value, Options& options) {
  const std::string name(spec.name);
  switch (spec.bit) {
    case kJsonOption:
      options.json = true;
      return {};
    case kOnceOption:
      options.once = true;
      return {};
    case kTimeoutOption: {
      auto seconds = number<double>(value);
      if (!seconds || !std::isfinite(*seconds) || *seconds <= 0 || *seconds > 86400) {
        return os::failure(name + " wants seconds between 0 and 86400, not '" + value + "'");
      }
      options.timeout = std::chrono::milliseconds(static_cast<long long>(std::ceil(*seconds * 1000)));
      return {};
    }
    case kViaOption:
      if (value != "xdg" && value != "systemd") return os::failure(name + " wants xdg or systemd, not '" + value + "'");
      options.via = value == "xdg" ? Options::Via::xdg : Options::Via::systemd;
      return {};
    case kIntervalOption: {
      auto seconds = number<double>(value);
      if (!seconds || !(*seconds >= watch::kMinInterval - 1e-9) || !(*seconds <= watch::kMaxInterval)) {
        return os::failure(name + " wants seconds from 0.2 to 60, not '" + value + "'");
      }
      options.interval = *seconds;
      return {};
    }
    case kOnlyOption:
      options.only = value;
      return {};
    case kCountOption: {
      auto count = number<long>(value);
      if (!count || *count < 1) return os::failure(name + " wants a whole number from 1, not '" + value + "'");
      options.count = *count;
      return {};
    }
  }
  return {};
}

}  // namespace

os::Result<CommandLine> readCommandLine(
    const std::vector<std::string>& arguments,
    const std::function<std::optional<unsigned>(std::string_view command)>& accepted) {
  CommandLine line;
  std::vector<std::pair<const OptionSpec*, std::string>> given;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    // What follows a request for help does not matter.
    if (a == "-h" || a == "--help") {
      line.options.help = true;
      break;
    }
    if (!a.starts_with("-") || a == "-") {
      line.words.push_back(a);
      continue;
    }
    const std::size_t equals = a.starts_with("--") ? a.find('=') : std::string::npos;
    const std::string name = a.substr(0, equals);
    const OptionSpec* spec = findSpec(name);
    if (!spec) return os::failure("unknown option '" + a + "'");
    if (spec->value.empty()) {
      if (equals != std::string::npos) return os::failure(name + " takes no value");
      given.emplace_back(spec, "");
    } else if (equals != std::string::npos) {
      given.emplace_back(spec, a.substr(equals + 1));
    } else if (i + 1 < arguments.size()) {
      given.emplace_back(spec, arguments[++i]);
    } else {
      return os::failure(name + " needs a value: " + std::string(spec->value));
    }
  }
  if (line.words.empty()) {
    if (line.options.help) return line;
    return os::failure("no command given");
  }
  const std::string& command = line.words.front();
  const auto takes = accepted(command);
  if (!takes) return os::failure("unknown command '" + command + "'");
  if (line.options.help) return line;
  for (const auto& [spec, value] : given) {
    if (!(*takes & spec->bit)) return os::failure(command + " does not take " + std::string(spec->name));
    if (auto applied = apply(*spec, value, line.options); !applied) return os::failure(applied.error());
  }
  return line;
}

std::string optionsUsage(unsigned options) {
  std::string text;
  for (const OptionSpec& s : kSpecs) {
    if (!(options & s.bit)) continue;
    std::string left = "  " + std::string(s.name) + (s.value.empty() ? "" : " " + std::string(s.value));
    left.resize(std::max<std::size_t>(left.size() + 2, 24), ' ');
    text += left + std::string(s.help) + "\n";
  }
  return text;
}

}  // namespace tellwick::ctl
