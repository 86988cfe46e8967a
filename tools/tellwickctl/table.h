#ifndef TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_
#define TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// value with exactly digits digits after the point.
std::string fixed(double value, int digits);
// "80%", or "-" when absent.
std::string levelText(std::optional<std::uint8_t> level);
// The kit's byte-count text ("2 KB").
std::string bytesText(std::uint64_t count);

}  // namespace tellwick::ctl

#endif  // TELLWICK_TOOLS_TELLWICKCTL_TABLE_H_
