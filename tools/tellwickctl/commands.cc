// The tables of tellwickctl's subcommands. A new one is written in a file of
// its own beside this one, declared here, and given one line in its table.
#include "tools/tellwickctl/commands.h"

#include <algorithm>

#include "tools/tellwickctl/exit_codes.h"

namespace tellwick::ctl {

extern const Category kSensors;    // sensors.cc
extern const Category kFans;       // fans.cc
extern const Category kTraffic;    // traffic.cc
extern const Category kBatteries;  // batteries.cc

extern const Command kSensorsCommand, kFansCommand, kTrafficCommand, kBatteriesCommand,
    kAllCommand;                    // query.cc
extern const Command kTerminate;    // terminate.cc
extern const Command kWatch;        // watch.cc
extern const Command kBattery;      // battery.cc
extern const Command kPeripherals;  // battery.cc
extern const Command kLowEnergy;    // le.cc
extern const Command kStatus, kLaunch, kUpdate, kWebsite, kAutostart;  // install.cc

namespace {

const Category* const kCategories[] = {&kSensors, &kFans, &kTraffic, &kBatteries};

const Command* const kCommands[] = {
    &kSensorsCommand, &kFansCommand, &kTrafficCommand, &kBatteriesCommand, &kAllCommand,
    &kTerminate, &kWatch, &kBattery, &kPeripherals, &kLowEnergy,
    &kStatus, &kLaunch, &kUpdate, &kWebsite, &kAutostart,
};

// "usage: tellwickctl NAME FORM" once per form of the synopsis; the first
// line begins "usage:", the others line up under it.
void appendForms(std::string& text, const std::string& names, std::string_view synopsis) {
  std::size_t start = 0;
  do {
    std::size_t end = synopsis.find('\n', start);
    std::string_view form = synopsis.substr(start, end == std::string_view::npos ? end : end - start);
    text += (text.empty() ? "usage: " : "       ") + std::string("tellwickctl ") + names;
    if (!form.empty()) text += " " + std::string(form);
    text += "\n";
    start = end == std::string_view::npos ? end : end + 1;
  } while (start != std::string_view::npos);
}

}  // namespace

std::span<const Command* const> commands() { return kCommands; }
std::span<const Category* const> categories() { return kCategories; }

const Command* findCommand(std::string_view name) {
  auto it = std::find_if(std::begin(kCommands), std::end(kCommands), [&](const Command* c) { return c->name == name; });
  return it == std::end(kCommands) ? nullptr : *it;
}

std::string usage(const Command* command) {
  std::string text;
  if (command) {
    appendForms(text, std::string(command->name), command->synopsis);
    return text + std::string(command->summary) + optionsUsage(command->options);
  }
  // Commands that differ only by name share one line: "sensors|fans|...".
  for (std::size_t i = 0; i < std::size(kCommands);) {
    std::string names(kCommands[i]->name);
    std::size_t j = i + 1;
    for (; j < std::size(kCommands) && kCommands[j]->run == kCommands[i]->run &&
           kCommands[j]->synopsis == kCommands[i]->synopsis;
         ++j) {
      names += "|" + std::string(kCommands[j]->name);
    }
    appendForms(text, names, kCommands[i]->synopsis);
    i = j;
  }
  return text + "Run 'tellwickctl COMMAND --help' for what a command does.\n";
}

int refuse(Context& context, const CommandLine& line, const std::string& why) {
  context.err << "tellwickctl: " << why << "\n" << usage(findCommand(line.words.front()));
  return kExitUsage;
}

int runCommandLine(Context& context, const std::vector<std::string>& arguments) {
  auto line = readCommandLine(arguments, [](std::string_view name) -> std::optional<unsigned> {
    const Command* command = findCommand(name);
    return command ? std::optional(command->options) : std::nullopt;
  });
  if (!line) {
    const Command* named = nullptr;
    for (const std::string& a : arguments) named = named ? named : findCommand(a);
    context.err << "tellwickctl: " << line.error() << "\n" << usage(named);
    return kExitUsage;
  }
  const Command* command = line->words.empty() ? nullptr : findCommand(line->words.front());
  if (line->options.help) {
    context.out << usage(command);
    return kExitOk;
  }
  return command->run(context, *line);
}

}  // namespace tellwick::ctl
