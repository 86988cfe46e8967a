#ifndef TELLWICK_BATTERY_DEVICE_IMAGES_H_
#define TELLWICK_BATTERY_DEVICE_IMAGES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "battery/device_catalogue.h"
#include "os/files/bundle_file_system.h"
#include "os/files/resource_bundle.h"
#include "os/store/property_list_coder.h"
#include "protocol/battery_device.h"

namespace tellwick {

// Where an image is; loading it is the client's business.
struct ImageReference {
  enum class Kind { symbol, file };
  Kind kind = Kind::file;
  std::string name;  // a system symbol name, or the path of an image file
  bool operator==(const ImageReference&) const = default;
};

// The system folders that hold product tables and pictures. None of them
// exists on Linux, where every lookup through them yields nothing.
struct ImageLocations {
  std::vector<std::string> productTableFolders = {
      "/System/Library/Frameworks/IOBluetoothUI.framework/Versions/A/Resources",
      "/System/Library/PrivateFrameworks/CoreBluetoothUI.framework/Versions/A/Resources"};
  std::string imageFolder =
      "/System/Library/PrivateFrameworks/CoreBluetoothUI.framework/Versions/A/Resources";
  std::string keyboardPane = "/System/Library/PreferencePanes/Keyboard.prefPane";
  std::string mousePane = "/System/Library/PreferencePanes/Mouse.prefPane";
  std::string trackpadPane = "/System/Library/PreferencePanes/Trackpad.prefPane";
};

// What the picture lookups read through. Not owned; must outlive the calls.
struct ImageSources {
  os::BundleFileSystem& files;
  os::PropertyListCoder& coder;
  const DeviceCatalogue& catalogue;
  const os::ResourceBundle& bundle;  // holds the catalogue's icons
  ImageLocations locations;
};

// The picture of the product from the system's product tables: each
// ".plist" below the folders, in order, whose dictionary has an entry
// "0x%04X" of productId. A "Clone" entry continues with the product it names;
// a chain that comes back to a product already visited yields nothing (the
// guard: the set of products visited in this lookup). Unreadable or damaged
// files are skipped. Any thread.
std::optional<ImageReference> imageForProductId(std::int64_t productId, ImageSources& sources);

// The product picture, else the catalogue icon of internalName, else the
// preference pane picture or symbol of the device type; nothing for
// undefined, lowEnergy and chargingCase devices.
std::optional<ImageReference> deviceImage(const BatteryDevice& device, ImageSources& sources);

}  // namespace tellwick

#endif  // TELLWICK_BATTERY_DEVICE_IMAGES_H_
