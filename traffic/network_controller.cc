#include "traffic/network_controller.h"

#include <cstdint>
#include <optional>
#include <string>

#include "platform/shell.h"
#include "protocol/helper_notifications.h"

namespace tellwick {
namespace {

// Lines end at a line feed, except that a carriage return directly before it
// belongs to the line: the pair is one character that is not a line feed.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' || (i > 0 && text[i - 1] == '\r')) continue;
    if (i > start) lines.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
}

// Decimal digits with an optional leading "+"; no blanks, no sign otherwise,
// nothing that overflows 64 bits.
std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<ProcessTrafficInfo> parseLine(std::string_view line) {
  auto fields = splitFields(line);
  // The tool always prints at least three fields; a shorter line carries no
  // counters to report.
  if (fields.size() < 3) return std::nullopt;
  std::string_view first = fields[0];
  std::size_t dot = first.rfind('.');
  std::string_view name = dot == std::string_view::npos ? std::string_view() : first.substr(0, dot);
  std::string_view pid_text = dot == std::string_view::npos ? first : first.substr(dot + 1);
  auto pid = parseUnsigned(pid_text);
  auto bytes_in = parseUnsigned(fields[1]);
  auto bytes_out = parseUnsigned(fields[2]);
  if (!pid || !bytes_in || !bytes_out) return std::nullopt;
  return ProcessTrafficInfo(*pid, std::string(name), *bytes_out, *bytes_in);
}

}  // namespace

std::vector<ProcessTrafficInfo> parseTrafficSample(std::string_view text) {
  std::vector<ProcessTrafficInfo> records;
  auto lines = splitLines(text);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (auto record = parseLine(lines[i])) records.push_back(std::move(*record));
  }
  return records;
}

NetworkController::NetworkController(IHelperDataModel& model, os::NotificationCenter& center,
                                     os::ProcessRunner& runner,
                                     const std::vector<std::string>& environment)
    : model_(model), center_(center), runner_(runner), environment_(environment) {}

void NetworkController::updateTraffic() { requests_.arrive(); }

void NetworkController::startRun() {
  Shell::startText(runner_, environment_, {"-c", std::string(kCommand)},
                   [this](std::optional<std::string> text) { finished(text); });
}

void NetworkController::finished(const std::optional<std::string>& text) {
  if (text) model_.setTraffic(parseTrafficSample(*text));
  postResponse(center_, HelperNotifications::responseTraffic, model_, requests_.finish());
}

}  // namespace tellwick
