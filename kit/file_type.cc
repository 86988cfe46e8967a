#include "kit/file_type.h"

#include <array>
#include <cstddef>

#include "os/files/resource_bundle.h"

namespace tellwick {
namespace {

constexpr std::array<std::string_view, 6> kKeys = {"OTHER", "VIDEO", "PHOTO", "ARCHIVE", "AUDIO", "DOCUMENT"};

}  // namespace

std::string_view localizationKey(FileType type) { return kKeys[static_cast<std::size_t>(type)]; }

std::string displayName(FileType type, const os::ResourceBundle& bundle) {
  return os::localizedString(bundle, kKitStringTable, localizationKey(type));
}

}  // namespace tellwick
