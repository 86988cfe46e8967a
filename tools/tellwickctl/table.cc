#include "tools/tellwickctl/table.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "kit/disk_utilities.h"
#include "os/utf8.h"
#include "tools/tellwickctl/category.h"

namespace tellwick::ctl {
namespace {

std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// text cut after width characters.
std::string cut(std::string text, std::size_t width) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((text[i] & 0xC0) != 0x80 && ++characters > width) {
      text.resize(i);
      break;
    }
  }
  return text;
}

}  // namespace

Table::Table(std::vector<Column> columns, std::size_t indent) : columns_(std::move(columns)), indent_(indent) {
  if (std::any_of(columns_.begin(), columns_.end(), [](const Column& c) { return !c.title.empty(); })) {
    std::vector<std::string> header;
    for (const auto& c : columns_) header.push_back(c.title);
    add(std::move(header));
  }
}

void Table::add(std::vector<std::string> row) {
  row.resize(columns_.size());
  for (std::size_t i = 0; i < row.size(); ++i) {
    row[i] = printableText(row[i]);
    if (columns_[i].maxWidth > 0) row[i] = cut(std::move(row[i]), columns_[i].maxWidth);
  }
  rows_.push_back(std::move(row));
}

std::string Table::render() const {
  std::vector<std::size_t> widths(columns_.size(), 0);
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], displayWidth(row[i]));
  }
  std::string out;
  for (const auto& row : rows_) {
    std::string line(indent_, ' ');
    for (std::size_t i = 0; i < row.size(); ++i) {
      std::string pad(widths[i] - displayWidth(row[i]), ' ');
      bool last = i + 1 == row.size();
      if (columns_[i].align == Align::right) {
        line += pad + row[i];
      } else {
        line += row[i];
        if (!last) line += pad;
      }
      if (!last) line += "  ";
    }
    out += line + "\n";
  }
  return out;
}

std::string fixed(double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
  return buffer;
}

std::string levelText(std::optional<std::uint8_t> level) {
  return level ? std::to_string(*level) + "%" : "-";
}

std::string bytesText(std::uint64_t count) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return DiskUtilities::byteCountText(static_cast<std::int64_t>(std::min(count, kMax)));
}

Json plistJson(const os::PlistValue& value) {
  return std::visit(
      [](const auto& v) -> Json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, os::PlistNull>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, os::PlistData>) {
          return Json(v);  // bytes as numbers; no record carries data
        } else if constexpr (std::is_same_v<T, os::PlistArray>) {
          Json array = Json::array();
          for (const auto& element : v) array.push_back(plistJson(element));
          return array;
        } else if constexpr (std::is_same_v<T, os::PlistDictionary>) {
          Json object = Json::object();
          for (const auto& [key, element] : v) object[key] = plistJson(element);
          return object;
        } else {
          return Json(v);
        }
      },
      value.storage);
}

std::string jsonText(const Json& document, int indent) {
  // What a file or a device holds must never abort the dump.
  return document.dump(indent, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tellwick::ctl
