#include "os/utf8.h"

#include <cstddef>

namespace tellwick {
namespace {

bool inRange(unsigned char c, unsigned char low, unsigned char high) {
  return c >= low && c <= high;
}

// Length of the well-formed sequence starting at bytes[i], or 0 when there is
// none (the table of well-formed byte sequences of the Unicode standard).
std::size_t sequenceLength(std::string_view bytes, std::size_t i) {
  auto at = [&](std::size_t k) -> unsigned char {
    return i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0;
  };
  auto cont = [&](std::size_t k) { return inRange(at(k), 0x80, 0xBF); };
  unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  if (inRange(lead, 0xC2, 0xDF)) return cont(1) ? 2 : 0;
  if (lead == 0xE0) return inRange(at(1), 0xA0, 0xBF) && cont(2) ? 3 : 0;
  if (lead == 0xED) return inRange(at(1), 0x80, 0x9F) && cont(2) ? 3 : 0;
  if (inRange(lead, 0xE1, 0xEF)) return cont(1) && cont(2) ? 3 : 0;
  if (lead == 0xF0) return inRange(at(1), 0x90, 0xBF) && cont(2) && cont(3) ? 4 : 0;
  if (lead == 0xF4) return inRange(at(1), 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
  if (inRange(lead, 0xF1, 0xF3)) return cont(1) && cont(2) && cont(3) ? 4 : 0;
  return 0;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t n = sequenceLength(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string replaceInvalidUtf8(std::string_view bytes, char replacement) {
  return replaceInvalidUtf8(bytes, std::string_view(&replacement, 1));
}

std::string replaceInvalidUtf8(std::string_view bytes, std::string_view replacement) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t n = sequenceLength(bytes, i);
    if (n == 0) {
      out.append(replacement);
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string printableText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t n = sequenceLength(bytes, i);
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const bool control = n == 1 ? lead < 0x20 || lead == 0x7F
                                : n == 2 && lead == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0;
    if (n == 0 || control) {
      out.append(kReplacementCharacter);
      i += n == 0 ? 1 : n;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace tellwick
