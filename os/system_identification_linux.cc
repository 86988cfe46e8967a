#include <sys/utsname.h>

#include <cstring>

#include "os/system_identification.h"

namespace tellwick::os {

std::string normalizedMachineName(std::string_view raw) {
  while (!raw.empty() && raw.back() == '\0') raw.remove_suffix(1);
  if (raw == "aarch64") return "arm64";
  return std::string(raw);
}

namespace {

class LinuxSystemIdentification final : public SystemIdentification {
 public:
  std::string machine() override {
    utsname name{};
    if (::uname(&name) != 0) return {};
    return normalizedMachineName(std::string_view(name.machine, ::strnlen(name.machine, sizeof name.machine)));
  }
};

}  // namespace

std::unique_ptr<SystemIdentification> newLinuxSystemIdentification() {
  return std::make_unique<LinuxSystemIdentification>();
}

}  // namespace tellwick::os
