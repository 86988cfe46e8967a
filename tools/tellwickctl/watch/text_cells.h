#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_TEXT_CELLS_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_TEXT_CELLS_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tellwick::watch {

// Texts measured in terminal cells. Every code point counts as one cell: the
// view only draws narrow characters of its own, and names from outside pass
// through sanitized() first.

// text with control characters and invalid UTF-8 replaced by '?', cut to at
// most maxCodePoints code points. Pure.
std::string sanitized(std::string_view text, std::size_t maxCodePoints = 128);

// The number of cells text takes.
std::size_t cellWidth(std::string_view text);

enum class Align { left, right };

// text padded or cut to exactly width cells; a cut text ends in "…" (or "~"
// when unicode is false) so that the reader sees it was shortened.
std::string fitCells(std::string_view text, int width, Align align = Align::left, bool unicode = true);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_TEXT_CELLS_H_
