#ifndef TELLWICK_SMC_STRING_CONVERTER_H_
#define TELLWICK_SMC_STRING_CONVERTER_H_

#include <cstdint>
#include <string_view>

namespace tellwick {

// Key and type names as the controller packs them.
struct StringConverter {
  StringConverter() = delete;

  // Folds the name's bytes first to last into 32 bits, so a four-character
  // name becomes its big-endian packing ("FNum" is 0x464E756D); a shorter one
  // leaves the top bytes 0 and a longer one keeps only its last four bytes.
  static constexpr std::uint32_t fourCharCode(std::string_view name) {
    std::uint32_t code = 0;
    for (char c : name) code = (code << 8) | static_cast<std::uint8_t>(c);
    return code;
  }
};

static_assert(StringConverter::fourCharCode("FNum") == 0x464E756D);

}  // namespace tellwick

#endif  // TELLWICK_SMC_STRING_CONVERTER_H_
