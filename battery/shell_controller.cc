#include "battery/shell_controller.h"

#include <utility>

#include "battery/manufacturers.h"
#include "profiler/whitespace.h"
#include "protocol/device_type.h"

namespace tellwick {
namespace {

std::string removeAll(std::string_view text, std::string_view what) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    std::size_t at = text.find(what);
    out.append(text.substr(0, at));
    if (at == std::string_view::npos) break;
    text.remove_prefix(at + what.size());
  }
  return out;
}

int digitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

// Digits only: no sign, no blanks, nothing empty, nothing above max.
std::optional<std::uint64_t> parseUnsigned(std::string_view text, int base, std::uint64_t max) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    int digit = digitValue(c, base);
    if (digit < 0) return std::nullopt;
    if (value > (max - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) {
      return std::nullopt;
    }
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  return value;
}

std::optional<std::string> text(const OutputNode& node, std::string_view key) {
  return node.properties().value<std::string>(key);
}

bool says(const OutputNode& node, std::string_view key, std::string_view word) {
  return text(node, key) == word;
}

// Connected by its own "Connected" property, whatever it says, or by sitting
// in a group whose title begins with "Connected" ("Not Connected" does not).
bool isConnected(const OutputNode& node) {
  if (text(node, ShellKeys::connected)) return true;
  const OutputNode* parent = node.parent();
  return parent != nullptr && parent->name().starts_with(ShellKeys::connected);
}

}  // namespace

std::string ShellFields::serial(std::string_view address) {
  std::string out(address);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == ':') c = '-';
  }
  return out;
}

std::optional<std::uint16_t> ShellFields::vendorId(std::string_view value) {
  auto parsed = parseUnsigned(removeAll(value, "0x"), 16, 0xFFFF);
  if (!parsed) return std::nullopt;
  return static_cast<std::uint16_t>(*parsed);
}

std::optional<std::int64_t> ShellFields::productId(std::string_view value) {
  auto parsed = parseUnsigned(removeAll(value, "0x"), 16, 0x7FFF'FFFF'FFFF'FFFF);
  if (!parsed) return std::nullopt;
  return static_cast<std::int64_t>(*parsed);
}

std::optional<std::uint8_t> ShellFields::level(std::string_view value) {
  std::string digits = removeAll(value, "%");
  auto parsed = parseUnsigned(trimWhitespace(digits), 10, 0xFF);
  if (!parsed) return std::nullopt;
  return static_cast<std::uint8_t>(*parsed);
}

void ShellController::refresh() {
  devices_.clear();
  OutputTree tree = controller_.run();
  readNodes(tree.nodes());
  tree.clear();
}

void ShellController::refresh(std::function<void()> done) {
  controller_.start([this, done = std::move(done)](OutputTree tree) {
    devices_.clear();
    readNodes(tree.nodes());
    tree.clear();
    done();
  });
}

void ShellController::readNodes(const OutputNodes& nodes) {
  // Pre-order without recursion: a report may nest as deep as it is long.
  std::vector<std::pair<const OutputNodes*, std::size_t>> stack{{&nodes, 0}};
  while (!stack.empty()) {
    auto& [list, next] = stack.back();
    if (next == list->size()) {
      stack.pop_back();
      continue;
    }
    const OutputNode& node = *(*list)[next++];
    readNode(node);
    if (!node.children().empty()) stack.emplace_back(&node.children(), 0);
  }
}

void ShellController::readNode(const OutputNode& node) {
  const PropertyCollection& properties = node.properties();
  if (properties.contains(ShellKeys::batteryLevel)) readSingle(node);
  if (properties.contains(ShellKeys::caseBatteryLevel)) readCase(node);
  if (properties.contains(ShellKeys::leftBatteryLevel) ||
      properties.contains(ShellKeys::rightBatteryLevel)) {
    readDouble(node);
  }
}

void ShellController::readSingle(const OutputNode& node) {
  if (!isConnected(node)) return;
  auto address = text(node, ShellKeys::address);
  auto levelText = text(node, ShellKeys::batteryLevel);
  if (!address || !levelText) return;
  auto level = ShellFields::level(*levelText);
  if (!level) return;
  auto vendorText = text(node, ShellKeys::vendorId);
  auto productText = text(node, ShellKeys::productId);
  std::uint16_t vendorId = vendorText ? ShellFields::vendorId(*vendorText).value_or(0) : 0;
  std::int64_t productId = productText ? ShellFields::productId(*productText).value_or(0) : 0;
  devices_.push_back(std::make_shared<SingleBatteryDevice>(
      node.name(), ShellFields::serial(*address), vendorId, Manufacturers::name(vendorId, bundle_),
      productId, *level, text(node, ShellKeys::minorType)));
}

void ShellController::readCase(const OutputNode& node) {
  if (!isConnected(node)) return;
  auto address = text(node, ShellKeys::address);
  auto vendorText = text(node, ShellKeys::vendorId);
  auto productText = text(node, ShellKeys::productId);
  auto levelText = text(node, ShellKeys::caseBatteryLevel);
  if (!address || !vendorText || !productText || !levelText) return;
  auto vendorId = ShellFields::vendorId(*vendorText);
  auto productId = ShellFields::productId(*productText);
  auto level = ShellFields::level(*levelText);
  if (!vendorId || !productId || !level) return;
  // The case shares its earbuds' address; the prefix keeps the two apart.
  auto chargingCase = std::make_shared<SingleBatteryDevice>(
      description(DeviceType::chargingCase, bundle_), "case_" + ShellFields::serial(*address),
      *vendorId, Manufacturers::name(*vendorId, bundle_), *productId, *level,
      std::string(rawValue(DeviceType::chargingCase)));
  chargingCase->setIsCharging(says(node, ShellKeys::caseCharging, "Yes"));
  devices_.push_back(std::move(chargingCase));
}

void ShellController::readDouble(const OutputNode& node) {
  if (!isConnected(node)) return;
  auto address = text(node, ShellKeys::address);
  auto vendorText = text(node, ShellKeys::vendorId);
  auto productText = text(node, ShellKeys::productId);
  auto leftText = text(node, ShellKeys::leftBatteryLevel);
  auto rightText = text(node, ShellKeys::rightBatteryLevel);
  if (!address || !vendorText || !productText || (!leftText && !rightText)) return;
  auto vendorId = ShellFields::vendorId(*vendorText);
  auto productId = ShellFields::productId(*productText);
  if (!vendorId || !productId) return;
  std::optional<std::uint8_t> left = leftText ? ShellFields::level(*leftText) : std::nullopt;
  std::optional<std::uint8_t> right = rightText ? ShellFields::level(*rightText) : std::nullopt;
  auto earbuds = std::make_shared<DoubleBatteryDevice>(
      node.name(), ShellFields::serial(*address), Manufacturers::name(*vendorId, bundle_),
      *productId, left, right, text(node, ShellKeys::minorType));
  earbuds->setIsCharging(says(node, ShellKeys::leftCharging, "Yes") || says(node, ShellKeys::rightCharging, "Yes"));
  devices_.push_back(std::move(earbuds));
}

}  // namespace tellwick
