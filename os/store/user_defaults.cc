#include "os/store/user_defaults.h"

namespace tellwick::os {

std::optional<PlistData> dataForKey(UserDefaultsDomain& domain, const std::string& key) {
  auto value = domain.value(key);
  if (!value) return std::nullopt;
  if (auto* data = std::get_if<PlistData>(&value->storage)) return std::move(*data);
  return std::nullopt;
}

bool isValidSuiteName(const std::string& suite) {
  return !suite.empty() && suite != "." && suite != ".." &&
         suite.find('/') == std::string::npos && suite.find('\0') == std::string::npos;
}

}  // namespace tellwick::os
