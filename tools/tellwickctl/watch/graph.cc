#include "tools/tellwickctl/watch/graph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kit/ramer_douglas_peucker.h"

namespace tellwick::watch {
namespace {

// Braille dot bits by column (0, 1) and row from the top (0...3).
constexpr std::uint8_t kBrailleBit[2][4] = {{0x01, 0x02, 0x04, 0x40}, {0x08, 0x10, 0x20, 0x80}};

std::string braille(std::uint8_t bits) {
  if (bits == 0) return " ";
  char32_t code = 0x2800 + bits;
  // U+2800...U+28FF are three bytes in UTF-8.
  return {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
          static_cast<char>(0x80 | (code & 0x3F))};
}

// Dots lit, x to the right and y upward, both from 0.
class DotGrid {
 public:
  DotGrid(int columns, int rows) : columns_(columns), rows_(rows), dots_(static_cast<std::size_t>(columns * rows)) {}

  void set(int x, int y) {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_) return;
    dots_[static_cast<std::size_t>(y * columns_ + x)] = true;
  }
  bool lit(int x, int y) const { return dots_[static_cast<std::size_t>(y * columns_ + x)]; }

  // Joins a and b: every dot column the segment crosses lights the rows
  // whose centres lie within the part of the segment over that column, so a
  // line stays one dot thick while everything that happens inside a column
  // (a spike between two readings, a squeezed hour) still shows.
  void segment(Point a, Point b) {
    if (a.x > b.x) std::swap(a, b);
    int first = static_cast<int>(std::lround(a.x));
    int last = static_cast<int>(std::lround(b.x));
    for (int x = first; x <= last; ++x) {
      double left = std::max(a.x, x - 0.5), right = std::min(b.x, x + 0.5);
      if (left > right) continue;
      double y0 = yAt(a, b, left), y1 = yAt(a, b, right);
      if (a.x == b.x) y0 = a.y, y1 = b.y;
      double low = std::min(y0, y1), high = std::max(y0, y1);
      long bottom = static_cast<long>(std::floor(low + 0.5));
      long top = static_cast<long>(std::ceil(high - 0.5));
      fill(x, bottom, std::max(bottom, top));
    }
  }

  void fill(int x, long low, long high) {
    for (long y = low; y <= high; ++y) set(x, static_cast<int>(y));
  }
  static double yAt(const Point& a, const Point& b, double x) {
    x = std::clamp(x, a.x, b.x);
    if (b.x == a.x) return a.y;
    return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
  }

  int columns_;
  int rows_;
  std::vector<bool> dots_;
};

}  // namespace

int dotColumnsPerCell(Glyphs glyphs) { return glyphs == Glyphs::unicode ? 2 : 1; }
int dotRowsPerCell(Glyphs glyphs) { return glyphs == Glyphs::unicode ? 4 : 1; }

GraphPoints graphPoints(std::span<const float> readings, int dotColumns, int dotRows) {
  GraphPoints out;
  if (readings.empty() || dotColumns < 1 || dotRows < 1) return out;
  float low = INFINITY, high = -INFINITY;
  for (float r : readings) {
    if (!std::isfinite(r)) continue;
    low = std::min(low, r);
    high = std::max(high, r);
  }
  if (low > high) return out;

  const std::size_t n = readings.size();
  const auto columns = static_cast<std::size_t>(dotColumns);
  // The history spans the width, stretched while short, squeezed once long;
  // a single reading sits at the right edge.
  double offset = n == 1 ? static_cast<double>(columns - 1) : 0;
  double step = n == 1 ? 0 : static_cast<double>(columns - 1) / static_cast<double>(n - 1);
  double span = static_cast<double>(high) - low;
  auto yOf = [&](float r) {
    if (span <= 0) return std::floor((dotRows - 1) / 2.0);
    return (r - low) / span * (dotRows - 1);
  };

  // Many readings to a dot column: only the first, lowest, highest and last
  // of each column can change what is drawn (the stroke spans lowest to
  // highest and joins its neighbours from first and last), so the others are
  // dropped before the simplification, which then works on at most four
  // points a column however long the history.
  const bool bucket = n > 4 * columns;
  // The method measures distance square to the chord, which on a steep chord
  // is much less than the vertical distance that decides which dot lights.
  // Stretching x until no chord rises more than an eighth of a dot per unit
  // makes the two agree within 1%; x is shrunk back afterwards.
  const double stretch = 8.0 * dotRows / (step > 0 ? step : 1);
  std::vector<Point> run;
  auto flush = [&] {
    if (run.empty()) return;
    out.runStarts.push_back(out.points.size());
    for (const Point& p : RamerDouglasPeucker::simplify(run, kGraphToleranceDots)) {
      out.points.push_back({p.x / stretch, p.y});
    }
    run.clear();
  };
  auto point = [&](std::size_t i) { return Point{(offset + step * static_cast<double>(i)) * stretch, yOf(readings[i])}; };
  std::size_t first = 0, lowest = 0, highest = 0, last = 0;
  long column = -1;
  auto closeColumn = [&] {
    if (column < 0) return;
    std::size_t picks[] = {first, lowest, highest, last};
    std::sort(std::begin(picks), std::end(picks));
    for (std::size_t k = 0; k < 4; ++k) {
      if (k == 0 || picks[k] != picks[k - 1]) run.push_back(point(picks[k]));
    }
    column = -1;
  };
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(readings[i])) {
      closeColumn();
      flush();
      continue;
    }
    if (!bucket) {
      run.push_back(point(i));
      continue;
    }
    auto c = static_cast<long>(step * static_cast<double>(i) + 0.5);
    if (c != column) {
      closeColumn();
      column = c;
      first = lowest = highest = i;
    }
    if (readings[i] < readings[lowest]) lowest = i;
    if (readings[i] > readings[highest]) highest = i;
    last = i;
  }
  closeColumn();
  flush();
  return out;
}

std::vector<std::string> renderGraph(std::span<const float> readings, int width, int height,
                                     Glyphs glyphs) {
  if (width < 1 || height < 1) return {};
  const int cw = dotColumnsPerCell(glyphs), ch = dotRowsPerCell(glyphs);
  const int dotColumns = width * cw, dotRows = height * ch;
  DotGrid grid(dotColumns, dotRows);
  GraphPoints graph = graphPoints(readings, dotColumns, dotRows);
  for (std::size_t r = 0; r < graph.runStarts.size(); ++r) {
    std::size_t begin = graph.runStarts[r];
    std::size_t end = r + 1 < graph.runStarts.size() ? graph.runStarts[r + 1] : graph.points.size();
    grid.segment(graph.points[begin], graph.points[begin]);
    for (std::size_t i = begin + 1; i < end; ++i) grid.segment(graph.points[i - 1], graph.points[i]);
  }

  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(height));
  for (int row = 0; row < height; ++row) {
    std::string line;
    for (int cell = 0; cell < width; ++cell) {
      std::uint8_t bits = 0;
      for (int dx = 0; dx < cw; ++dx) {
        for (int dy = 0; dy < ch; ++dy) {
          // Rows are counted from the top on screen, dots from the bottom.
          int y = dotRows - 1 - (row * ch + dy);
          if (grid.lit(cell * cw + dx, y)) bits |= glyphs == Glyphs::unicode ? kBrailleBit[dx][dy] : 1;
        }
      }
      line += glyphs == Glyphs::unicode ? braille(bits) : (bits ? "*" : " ");
    }
    rows.push_back(std::move(line));
  }
  return rows;
}

std::string renderBar(double fraction, int width, Glyphs glyphs) {
  if (width < 1) return {};
  if (std::isnan(fraction)) fraction = 0;
  fraction = std::clamp(fraction, 0.0, 1.0);
  if (glyphs == Glyphs::ascii) {
    int full = static_cast<int>(std::lround(fraction * width));
    return std::string(static_cast<std::size_t>(full), '#') + std::string(static_cast<std::size_t>(width - full), '.');
  }
  static const char* const kEighths[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
  long eighths = std::lround(fraction * width * 8);
  std::string bar;
  int cells = 0;
  for (; cells < eighths / 8; ++cells) bar += "█";
  if (eighths % 8 != 0) {
    bar += kEighths[eighths % 8];
    ++cells;
  }
  bar.append(static_cast<std::size_t>(width - cells), ' ');
  return bar;
}

}  // namespace tellwick::watch
