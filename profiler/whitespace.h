#ifndef TELLWICK_PROFILER_WHITESPACE_H_
#define TELLWICK_PROFILER_WHITESPACE_H_

#include <cstddef>
#include <string_view>

namespace tellwick {

// Trims, at both ends of UTF-8 text, blanks, tabs and the other Unicode space
// separators (general category Zs); line feeds and carriage returns stay.
// Bytes that are not valid UTF-8 are never taken for white space.
std::string_view trimWhitespace(std::string_view text);

// The number of leading U+0020 blanks; a tab or any other character ends the
// count. A line of blanks only has an indentation equal to its length.
std::size_t indentation(std::string_view line);

}  // namespace tellwick

#endif  // TELLWICK_PROFILER_WHITESPACE_H_
