#include "os/result.h"

#include <cstring>

namespace tellwick::os {

std::string errnoMessage(const std::string& what, int errnum) {
  char buffer[256];
  // The GNU strerror_r may return a static string instead of filling buffer.
  const char* text = strerror_r(errnum, buffer, sizeof buffer);
  return what + ": " + text;
}

}  // namespace tellwick::os
