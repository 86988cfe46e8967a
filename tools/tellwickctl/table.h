#ifndef TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_
#define TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/tellwickctl/category.h"

namespace tellwick::ctl {

enum class Align { left, right };

// Rows of text in columns aligned by characters on the terminal (so "°C"
// counts as two), each line indented by two spaces.
class Table {
 public:
  explicit Table(std::vector<std::pair<std::string, Align>> columns);
  void add(std::vector<std::string> row);
  std::string render() const;

 private:
  std::vector<std::pair<std::string, Align>> columns_;
  std::vector<std::vector<std::string>> rows_;
};

// A stored list as JSON (encoded with encode) and as a table with one row
// per non-null element (cells gives its cells); the table is left empty when
// the list is missing or empty.
template <typename List, typename Encode, typename Cells>
ListView listView(const std::optional<List>& list, Encode encode,
                  std::vector<std::pair<std::string, Align>> columns, Cells cells) {
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
