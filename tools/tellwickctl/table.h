#ifndef TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_
#define TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/tellwickctl/category.h"

namespace tellwick::ctl {

enum class Align { left, right };

struct Column {
  std::string title;
  Align align = Align::left;
  // Cells longer than this many characters are cut; 0: never.
  std::size_t maxWidth = 0;
};

// Rows of text in columns aligned by characters on the terminal (so "°C"
// counts as two), two spaces apart, under a line of the column titles
// unless every title is empty. Every cell is made printable first (valid
// UTF-8, no control characters), so that text from devices and files keeps
// to its cell: this is how everything tellwickctl prints in columns goes.
class Table {
 public:
  explicit Table(std::vector<Column> columns, std::size_t indent = 2);
  void add(std::vector<std::string> row);
  std::string render() const;

 private:
  std::vector<Column> columns_;
  std::size_t indent_;
  std::vector<std::vector<std::string>> rows_;
};

// A stored list as JSON (encoded with encode) and as a table with one row
// per non-null element (cells gives its cells); the table is left empty when
// the list is missing or empty.
template <typename List, typename Encode, typename Cells>
ListView listView(const std::optional<List>& list, Encode encode, std::vector<Column> columns, Cells cells) {
  ListView view{listJson(list, encode), {}};
  if (!list || list->empty()) return view;
  Table table(std::move(columns));
  for (const auto& element : *list) {
    if constexpr (requires { !element; }) {
      if (!element) continue;
    }
    table.add(cells(element));
  }
  view.table = table.render();
  return view;
}

// value with exactly digits digits after the point.
std::string fixed(double value, int digits);
// "80%", or "-" when absent.
std::string levelText(std::optional<std::uint8_t> level);
// The kit's byte-count text ("2 KB").
std::string bytesText(std::uint64_t count);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_
