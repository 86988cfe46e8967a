#include "profiler/whitespace.h"

#include <array>

namespace tellwick {
namespace {

// Tab, then the Zs code points in their UTF-8 form.
constexpr std::array<std::string_view, 18> kSpaces = {
    "\t",           " ",
    "\xC2\xA0",     "\xE1\x9A\x80",
    "\xE2\x80\x80", "\xE2\x80\x81",
    "\xE2\x80\x82", "\xE2\x80\x83",
    "\xE2\x80\x84", "\xE2\x80\x85",
    "\xE2\x80\x86", "\xE2\x80\x87",
    "\xE2\x80\x88", "\xE2\x80\x89",
    "\xE2\x80\x8A", "\xE2\x80\xAF",
    "\xE2\x81\x9F", "\xE3\x80\x80",
};

// Every space above but the blank and the tab starts with one of these
// bytes; most text is rejected here.
bool mayStartSpace(unsigned char byte) { return byte == 0xC2 || (byte >= 0xE1 && byte <= 0xE3); }

std::size_t leadingSpace(std::string_view text) {
  if (text.empty()) return 0;
  unsigned char first = static_cast<unsigned char>(text.front());
  // Indentation is blanks, so they skip the table.
  if (first == ' ' || first == '\t') return 1;
  if (!mayStartSpace(first)) return 0;
  for (auto space : kSpaces) {
    if (text.starts_with(space)) return space.size();
  }
  return 0;
}

std::size_t trailingSpace(std::string_view text) {
  // The last byte of a space is a tab, a blank or a continuation byte.
  if (text.empty()) return 0;
  unsigned char last = static_cast<unsigned char>(text.back());
  if (last == ' ' || last == '\t') return 1;
  if (last < 0x80 || last > 0xBF) return 0;
  for (auto space : kSpaces) {
    if (text.ends_with(space)) return space.size();
  }
  return 0;
}

}  // namespace

std::string_view trimWhitespace(std::string_view text) {
  while (std::size_t n = leadingSpace(text)) text.remove_prefix(n);
  while (std::size_t n = trailingSpace(text)) text.remove_suffix(n);
  return text;
}

std::size_t indentation(std::string_view line) {
  std::size_t count = 0;
  while (count < line.size() && line[count] == ' ') ++count;
  return count;
}

}  // namespace tellwick
