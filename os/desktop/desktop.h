#ifndef TELLWICK_OS_DESKTOP_DESKTOP_H_
#define TELLWICK_OS_DESKTOP_DESKTOP_H_

#include <memory>
#include <string>
#include <vector>

#include "os/result.h"

namespace tellwick::os {

class ProcessRunner;

// The user's desktop: hands a web address or a folder to the application
// the user chose for it. Any thread.
class Desktop {
 public:
  Desktop() = default;
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;
  virtual ~Desktop() = default;

  // Starts opening target and returns without waiting for the opener.
  // Fails when no opener can be started; what the opener then does is not
  // reported.
  virtual Status open(const std::string& target) = 0;
};

// xdg-open, found on the PATH of environment ("NAME=value" entries, what the
// opener runs with), started through runner and detached from this process
// (library tellwick_os_desktop). runner must outlive the desktop.
std::unique_ptr<Desktop> newLinuxDesktop(ProcessRunner& runner, std::vector<std::string> environment);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_DESKTOP_DESKTOP_H_
