#ifndef TELLWICK_OS_UTF8_H_
#define TELLWICK_OS_UTF8_H_

#include <string>
#include <string_view>

namespace tellwick {

// Whether bytes are well-formed UTF-8: shortest encodings only, no
// surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// bytes with each byte that does not belong to a well-formed sequence
// replaced by replacement, so the result is always valid UTF-8 when
// replacement is ASCII.
std::string replaceInvalidUtf8(std::string_view bytes, char replacement);

// U+FFFD, what text shown to people carries in place of bytes it could not
// decode.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The same with each such byte replaced by the text replacement.
std::string replaceInvalidUtf8(std::string_view bytes, std::string_view replacement);

// Text from outside fit for a terminal or a JSON string: valid UTF-8, and no
// control character (C0, DEL or C1) that a terminal would act on; each bad
// byte and each control character becomes U+FFFD.
std::string printableText(std::string_view bytes);

}  // namespace tellwick

#endif  // TELLWICK_OS_UTF8_H_
