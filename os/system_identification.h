#ifndef TELLWICK_OS_SYSTEM_IDENTIFICATION_H_
#define TELLWICK_OS_SYSTEM_IDENTIFICATION_H_

#include <memory>
#include <string>
#include <string_view>

namespace tellwick::os {

// What the kernel says about the running machine.
class SystemIdentification {
 public:
  SystemIdentification() = default;
  SystemIdentification(const SystemIdentification&) = delete;
  SystemIdentification& operator=(const SystemIdentification&) = delete;
  virtual ~SystemIdentification() = default;

  // The machine hardware name, trailing zero bytes removed, in the protocol's
  // vocabulary: a 64-bit ARM machine reads "arm64", whatever the kernel calls
  // it. An empty string when the kernel cannot be asked. Any thread.
  virtual std::string machine() = 0;
};

// Translates a kernel's machine field into the protocol's vocabulary:
// trailing zero bytes dropped, "aarch64" (Linux's name) becomes "arm64".
std::string normalizedMachineName(std::string_view raw);

// The running kernel's identification (uname).
std::unique_ptr<SystemIdentification> newLinuxSystemIdentification();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_SYSTEM_IDENTIFICATION_H_
