#ifndef TELLWICK_OS_POWER_UDEV_POWER_SUPPLY_H_
#define TELLWICK_OS_POWER_UDEV_POWER_SUPPLY_H_

// What the Linux power sources and registry share: libudev handles and the
// power_supply class's attributes, read and converted once. Linux only;
// not an interface.

#include <libudev.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellwick::os::udev_power {

struct UdevUnref {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
};
using Udev = std::unique_ptr<udev, UdevUnref>;
using Device = std::unique_ptr<udev_device, UdevUnref>;

// The syspaths of subsystem's devices (under parent when given), in
// libudev's order; empty when they cannot be listed.
std::vector<std::string> listDevices(udev* context, const char* subsystem,
                                     udev_device* parent = nullptr);

// The device at syspath, or null when it is gone.
Device openDevice(udev* context, const std::string& syspath);
// The device at syspath is still there. Far cheaper than opening it.
bool deviceExists(const std::string& syspath);

// The attribute file's contents without trailing white space, read now and
// at most limit bytes; nullopt when it is missing, longer than limit or
// refuses the read (EIO from a battery being pulled, ENODATA after resume).
std::optional<std::string> attribute(const std::string& syspath, std::string_view name,
                                     std::size_t limit = 4096);
std::optional<std::string> attribute(udev_device* device, std::string_view name,
                                     std::size_t limit = 4096);
// A whole decimal integer attribute from low to high; nullopt for anything
// else, so that no later sum or product of such values can overflow.
std::optional<std::int64_t> integerAttribute(const std::string& syspath, std::string_view name,
                                             std::int64_t low, std::int64_t high);
// The udev property, nullopt when unset or empty.
std::optional<std::string> udevProperty(udev_device* device, const char* name);

// One power_supply device's attributes in the units of the kernel (µV, µA,
// µW, µAh, µWh, tenths of a degree), each within what a battery can be: a
// value beyond (a broken driver, a hostile tree) reads as absent.
struct Supply {
  std::string name;
  std::optional<std::string> type, scope, status, health, capacityLevel, manufacturer, modelName;
  std::optional<std::int64_t> online, present, capacity;
  std::optional<std::int64_t> chargeNow, chargeFull, chargeFullDesign;
  std::optional<std::int64_t> energyNow, energyFull, energyFullDesign;
  std::optional<std::int64_t> currentNow, powerNow, voltageNow, voltageMinDesign, voltageMaxDesign;
  std::optional<std::int64_t> timeToEmpty, timeToFull;  // seconds
  std::optional<std::int64_t> cycleCount, temp;
  std::optional<std::int64_t> manufactureYear, manufactureMonth, manufactureDay;
};
// Every attribute; with kindOnly, only type, scope, online and present,
// enough to tell a machine battery or an adapter from the rest.
Supply readSupply(const std::string& syspath, bool kindOnly = false);

// A battery that powers the machine, not a peripheral: type "Battery",
// scope not "Device", and not an empty bay (present 0).
bool isSystemBattery(const Supply& supply);
// Mains, or a USB supply, that is online.
bool isOnlineAdapter(const Supply& supply);

// Every machine battery, each read once, in libudev's order, and whether
// an adapter is online.
struct MachinePower {
  std::vector<Supply> batteries;
  bool onAdapter = false;
};
MachinePower readMachinePower(udev* context);

// The machine's batteries as one, as the desktop's indicator shows them:
// the only one as it is; several with the identity (name, maker, model,
// cycles, dates, temperature, voltage) of the first, and the level,
// capacities, charge state, current, power and times of all together. The
// first battery that charges or discharges gives the state; otherwise Full
// when all are full, else "Not charging" when one is held, else unknown.
Supply combined(const std::vector<Supply>& batteries);

// The power-source figures.
std::optional<std::int64_t> percentCharged(const Supply& s);
// Full capacity against design, at most 100; nullopt when either is unknown.
std::optional<std::int64_t> percentOfDesign(const Supply& s);
std::int64_t minutesToEmpty(const Supply& s);
std::int64_t minutesToFull(const Supply& s);
std::optional<std::string> healthText(const Supply& s);
// The worst of the batteries' health texts.
std::optional<std::string> healthText(const std::vector<Supply>& batteries);

// The registry figures, in mAh, mA, mV and hundredths of a degree.
std::optional<std::int64_t> designCapacityMah(const Supply& s);
std::optional<std::int64_t> fullCapacityMah(const Supply& s);
std::optional<std::int64_t> currentCapacityMah(const Supply& s);
std::optional<std::int64_t> amperageMa(const Supply& s);
std::optional<std::int64_t> packedManufactureDate(const Supply& s);

}  // namespace tellwick::os::udev_power

#endif  // TELLWICK_OS_POWER_UDEV_POWER_SUPPLY_H_
