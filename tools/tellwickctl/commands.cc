// The tables of tellwickctl's subcommands. A new one is written in a file of
// its own beside this one, declared here, and given one line in its table.
#include "tools/tellwickctl/commands.h"

namespace tellwick::ctl {

extern const Category kSensors;    // sensors.cc
extern const Category kFans;       // fans.cc
extern const Category kTraffic;    // traffic.cc
extern const Category kBatteries;  // batteries.cc

extern const Command kTerminate;  // terminate.cc

extern const StandaloneCommand kBattery;      // battery.cc
extern const StandaloneCommand kPeripherals;  // battery.cc
extern const StandaloneCommand kLowEnergy;    // le.cc
extern const StandaloneCommand kWatch;        // watch.cc
extern const StandaloneCommand kStatus;       // install.cc
extern const StandaloneCommand kLaunch;       // install.cc
extern const StandaloneCommand kUpdate;       // install.cc
extern const StandaloneCommand kWebsite;      // install.cc
extern const StandaloneCommand kAutostart;    // install.cc

namespace {

const Category* const kCategories[] = {
    &kSensors,
    &kFans,
    &kTraffic,
    &kBatteries,
};

const Command* const kCommands[] = {
    &kTerminate,
};

const StandaloneCommand* const kStandaloneCommands[] = {
    &kBattery,
    &kPeripherals,
    &kLowEnergy,
    &kWatch,
    &kStatus,
    &kLaunch,
    &kUpdate,
    &kWebsite,
    &kAutostart,
};

}  // namespace

std::span<const StandaloneCommand* const> standaloneCommands() { return kStandaloneCommands; }
std::span<const Category* const> categories() { return kCategories; }
std::span<const Command* const> commands() { return kCommands; }

}  // namespace tellwick::ctl
