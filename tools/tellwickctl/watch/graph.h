#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_GRAPH_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_GRAPH_H_

#include <span>
#include <string>
#include <vector>

#include "kit/point.h"

namespace tellwick::watch {

// How graphs and bars are drawn: Unicode braille and block characters, or
// plain ASCII where the terminal's character set has neither.
enum class Glyphs { unicode, ascii };

// The dots of one character cell: braille packs 2 columns by 4 rows, ASCII 1
// by 1.
int dotColumnsPerCell(Glyphs glyphs);
int dotRowsPerCell(Glyphs glyphs);

// The Ramer-Douglas-Peucker tolerance, in dot rows, for points already
// scaled to dots: a reading less than half a dot above or below the line
// through the readings kept around it is drawn within a dot of where it
// would be, so dropping it loses no visible feature. In the readings' own
// unit this is (high - low) / (dots high - 1) / 2, which is how the panel's
// height sets it.
inline constexpr double kGraphToleranceDots = 0.5;

// The readings mapped onto a grid of dotColumns by dotRows (x right, y up,
// both in dots), then simplified. The readings span the width, the first
// at the left edge and the last at the right: a short history stretched, a
// long one squeezed. The y range is that of the finite readings; a flat
// history sits in the middle. NaN readings split the line into runs, each
// simplified on its own; the result lists the runs one after another and
// runStarts gives the index of each run's first point.
struct GraphPoints {
  std::vector<Point> points;
  std::vector<std::size_t> runStarts;
};
GraphPoints graphPoints(std::span<const float> readings, int dotColumns, int dotRows);

// The readings as a line graph of height rows by width cells, top row
// first, each row exactly width cells (an empty cell is a space). Consecutive
// kept points are joined, so spikes between them stay visible. Nothing is
// drawn for width or height below 1.
std::vector<std::string> renderGraph(std::span<const float> readings, int width, int height,
                                     Glyphs glyphs = Glyphs::unicode);

// A horizontal bar of exactly width cells filled to fraction (clamped to
// 0...1; NaN draws an empty bar): eighth blocks in Unicode, '#' and '.' in
// ASCII.
std::string renderBar(double fraction, int width, Glyphs glyphs = Glyphs::unicode);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_GRAPH_H_
