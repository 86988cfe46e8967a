#ifndef TELLWICK_BATTERY_DEVICE_SYMBOLS_H_
#define TELLWICK_BATTERY_DEVICE_SYMBOLS_H_

#include <string>

#include "protocol/battery_device.h"

namespace tellwick {

// System symbol names exist in two generations: the set of operating-system
// version 12 and later, and the older one.
enum class SymbolSet { current, legacy };

// The set this platform's clients render. The one place that decides it:
// Linux clients draw the current set.
SymbolSet platformSymbolSet();

// The symbol for a device by its type and lower-cased name ("keyboard",
// "airpodspro", "dot.radiowaves.right", ...). Never empty. Any thread.
std::string symbolImage(const BatteryDevice& device, SymbolSet set = platformSymbolSet());

// Symbols for the left and right unit of a double device.
std::string leftSymbolImage(const DoubleBatteryDevice& device, SymbolSet set = platformSymbolSet());
std::string rightSymbolImage(const DoubleBatteryDevice& device,
                             SymbolSet set = platformSymbolSet());

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_DEVICE_SYMBOLS_H_
