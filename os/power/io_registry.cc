#include "os/power/io_registry.h"

namespace tellwick::os {

RegistryEntry firstMatchingService(IoRegistry& registry, std::string_view className) {
  auto services = registry.matchingServices(className);
  if (!services.ok() || services->empty()) return kNoRegistryEntry;
  return services->front();
}

}  // namespace tellwick::os
