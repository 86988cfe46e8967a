#ifndef TELLWICK_KIT_FILE_TYPE_H_
#define TELLWICK_KIT_FILE_TYPE_H_

#include <string>
#include <string_view>

namespace tellwick {

namespace os {
class ResourceBundle;
}  // namespace os

// Broad kinds of files, as the applications group them for display.
enum class FileType {
  other,
  video,
  photo,
  archive,
  audio,
  document,
};

// The kit's string table in the resource bundle.
inline constexpr std::string_view kKitStringTable = "kit";

// The key of the type's text: "OTHER", "VIDEO", "PHOTO", "ARCHIVE", "AUDIO",
// "DOCUMENT".
std::string_view localizationKey(FileType type);

// The type's localized text from the kit's string table of bundle; the key
// itself when the table has no text for it. Any thread.
std::string displayName(FileType type, const os::ResourceBundle& bundle);

}  // namespace tellwick

#endif  // TELLWICK_KIT_FILE_TYPE_H_
