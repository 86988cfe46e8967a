#include "tools/tellwickctl/watch/text_cells.h"

#include <cstdint>

namespace tellwick::watch {
namespace {

// The length of the valid UTF-8 sequence at the start of text, or 0.
std::size_t sequenceLength(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || length > text.size()) return 0;
  std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not text.
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  // C0, DEL and C1 controls would move the cursor or switch modes.
  if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return 0;
  return length;
}

}  // namespace

std::string sanitized(std::string_view text, std::size_t maxCodePoints) {
  std::string out;
  std::size_t count = 0;
  while (!text.empty() && count < maxCodePoints) {
    std::size_t length = sequenceLength(text);
    if (length == 0) {
      out += '?';
      length = 1;
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
    ++count;
  }
  return out;
}

std::size_t cellWidth(std::string_view text) {
  std::size_t cells = 0;
  for (char c : text) cells += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return cells;
}

std::string fitCells(std::string_view text, int width, Align align, bool unicode) {
  if (width <= 0) return {};
  const auto cells = static_cast<std::size_t>(width);
  std::size_t have = cellWidth(text);
  if (have > cells) {
    // Keep width - 1 cells, then the mark.
    std::size_t kept = 0, end = 0;
    while (end < text.size()) {
      std::size_t next = end + 1;
      while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
      if (kept + 1 > cells - 1) break;
      ++kept;
      end = next;
    }
    return std::string(text.substr(0, end)) + (unicode ? "…" : "~");
  }
  std::string pad(cells - have, ' ');
  return align == Align::left ? std::string(text) + pad : pad + std::string(text);
}

}  // namespace tellwick::watch
