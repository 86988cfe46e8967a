#include "battery/device_images.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <set>
#include <span>

namespace tellwick {
namespace {

constexpr std::size_t kMaxTableBytes = 4 << 20;
constexpr std::size_t kMaxTableFiles = 10000;

std::string searchKey(std::int64_t productId) {
  char key[32];
  std::snprintf(key, sizeof key, "0x%04llX", static_cast<unsigned long long>(productId));
  return key;
}

std::optional<std::int64_t> parseClone(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string_view digits = text;
  if (digits.starts_with("0x")) digits.remove_prefix(2);
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return value;
}

const std::string* stringAt(const os::PlistDictionary& dictionary, std::string_view key) {
  const auto* value = os::findKey(dictionary, key);
  return value == nullptr ? nullptr : value->get<std::string>();
}

std::optional<ImageReference> file(std::string path) {
  return ImageReference{ImageReference::Kind::file, std::move(path)};
}

std::optional<ImageReference> lookup(std::int64_t productId, ImageSources& sources,
                                     std::set<std::int64_t>& visited) {
  if (!visited.insert(productId).second) return std::nullopt;
  const std::string key = searchKey(productId);
  for (const auto& folder : sources.locations.productTableFolders) {
    for (const auto& path : sources.files.listFiles(folder, kMaxTableFiles)) {
      if (!path.ends_with(".plist")) continue;
      auto bytes = sources.files.readFile(path, kMaxTableBytes);
      if (!bytes) continue;
      auto decoded = sources.coder.decode(
          std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
      if (!decoded) continue;
      const auto* table = decoded->get<os::PlistDictionary>();
      if (table == nullptr) continue;
      const auto* entryValue = os::findKey(*table, key);
      const auto* entry = entryValue ? entryValue->get<os::PlistDictionary>() : nullptr;
      if (entry == nullptr) continue;

      if (const auto* clone = stringAt(*entry, "Clone")) {
        auto target = parseClone(*clone);
        if (!target) continue;
        return lookup(*target, sources, visited);
      }
      const auto* imageName = stringAt(*entry, "ImageName");
      const auto* bundle = stringAt(*entry, "Bundle");
      if (imageName && bundle && sources.files.canOpenBundle(*bundle)) {
        auto resource = sources.files.bundleResource(*bundle, *imageName);
        return resource ? file(*resource) : std::nullopt;
      }
      if (imageName) {
        if (imageName->find('/') != std::string::npos) return std::nullopt;
        std::string path = sources.locations.imageFolder + "/" + *imageName;
        return sources.files.isReadableFile(path) ? file(path) : std::nullopt;
      }
    }
  }
  return std::nullopt;
}

std::optional<ImageReference> paneImage(ImageSources& sources, const std::string& pane,
                                        const char* name) {
  auto resource = sources.files.bundleResource(pane, name);
  return resource ? file(*resource) : std::nullopt;
}

}  // namespace

std::optional<ImageReference> imageForProductId(std::int64_t productId, ImageSources& sources) {
  std::set<std::int64_t> visited;
  return lookup(productId, sources, visited);
}

std::optional<ImageReference> deviceImage(const BatteryDevice& device, ImageSources& sources) {
  if (device.productId()) {
    if (auto image = imageForProductId(*device.productId(), sources)) return image;
  }
  if (device.internalName()) {
    const auto* entry = sources.catalogue.find(*device.internalName());
    if (entry && entry->icon) {
      auto dot = entry->icon->rfind('.');
      auto path = dot == std::string::npos
                      ? sources.bundle.pathForResource(*entry->icon, "")
                      : sources.bundle.pathForResource(entry->icon->substr(0, dot),
                                                       entry->icon->substr(dot + 1));
      if (path) return file(*path);
    }
  }
  switch (device.type()) {
    case DeviceType::keyboard:
      return paneImage(sources, sources.locations.keyboardPane, "Keyboard.icns");
    case DeviceType::mouse:
      return paneImage(sources, sources.locations.mousePane, "Mouse.icns");
    case DeviceType::trackpad:
      return paneImage(sources, sources.locations.trackpadPane, "Trackpad.icns");
    case DeviceType::headset:
    case DeviceType::headphones:
      return ImageReference{ImageReference::Kind::symbol, "headphones"};
    default:
      return std::nullopt;
  }
}

}  // namespace tellwick
