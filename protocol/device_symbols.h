#ifndef TELLWICK_PROTOCOL_DEVICE_SYMBOLS_H_
#define TELLWICK_PROTOCOL_DEVICE_SYMBOLS_H_

namespace tellwick {

// System symbol names exist in two generations: the set of operating-system
// version 12 and later, and the older one. The symbols themselves are
// BatteryDevice::symbolImage and DoubleBatteryDevice's left and right ones.
enum class SymbolSet { current, legacy };

// The set this platform's clients render. The one place that decides it:
// Linux clients draw the current set.
SymbolSet platformSymbolSet();

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_DEVICE_SYMBOLS_H_
