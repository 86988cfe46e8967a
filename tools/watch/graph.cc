#include "tools/watch/graph.h"

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

  // Joins a and b column by column: each column lights the rows from its own
  // point up to (not including) the next column's, so a line stays one dot
  // thick while a steep one still draws as a solid stroke.
  void segment(Point a, Point b) {
    if (a.x > b.x) std::swap(a, b);
    int first = static_cast<int>(std::lround(a.x));
    int last = static_cast<int>(std::lround(b.x));
    if (first == last) {
      fill(first, std::lround(std::min(a.y, b.y)), std::lround(std::max(a.y, b.y)));
      return;
    }
    for (int x = first; x <= last; ++x) {
      long here = std::lround(yAt(a, b, x));
      if (x == last) {
        fill(x, here, here);
        continue;
      }
      long next = std::lround(yAt(a, b, x + 1));
      if (next > here) fill(x, here, std::max(here, next - 1));
      else fill(x, std::min(here, next + 1), here);
    }
  }

 private:
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
  // Right-aligned, one column per reading, until the history outgrows the width.
  double offset = n < columns ? static_cast<double>(columns - n) : 0;
  double step = n <= columns ? 1 : n == 1 ? 0 : static_cast<double>(columns - 1) / static_cast<double>(n - 1);
  double span = static_cast<double>(high) - low;
  auto yOf = [&](float r) {
    if (span <= 0) return std::floor((dotRows - 1) / 2.0);
    return (r - low) / span * (dotRows - 1);
  };

  std::vector<Point> run;
  auto flush = [&] {
    if (run.empty()) return;
    out.runStarts.push_back(out.points.size());
    auto kept = RamerDouglasPeucker::simplify(run, kGraphToleranceDots);
    out.points.insert(out.points.end(), kept.begin(), kept.end());
    run.clear();
  };
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(readings[i])) {
      flush();
      continue;
    }
    run.push_back({offset + step * static_cast<double>(i), yOf(readings[i])});
  }
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
