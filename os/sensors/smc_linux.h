#ifndef TELLWICK_OS_SENSORS_SMC_LINUX_H_
#define TELLWICK_OS_SENSORS_SMC_LINUX_H_

#include <string>

namespace tellwick::os {

// Whether Linux publishes a system-management controller below sysfsRoot:
// the applesmc platform device of Intel Macs. Hwmon chips that only report
// fans do not count, as they carry none of the controller's sensor keys.
bool linuxSmcPresent(const std::string& sysfsRoot = "/sys");

}  // namespace tellwick::os

#endif  // TELLWICK_OS_SENSORS_SMC_LINUX_H_
