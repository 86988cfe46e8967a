#ifndef TELLWICK_PROFILER_PROFILER_OUTPUT_PARSER_H_
#define TELLWICK_PROFILER_PROFILER_OUTPUT_PARSER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiler/output_tree.h"

namespace tellwick {

// Turns the profiler's indented report into an OutputTree. A line ending in
// a colon opens a section; "key: value" is a property of the section above.
// The parser knows nothing of which report it reads. Stateless after
// construction; any thread.
class ProfilerOutputParser {
 public:
  ProfilerOutputParser() = default;

  // ": ": separates key from value, and tells a deeper property line from a
  // deeper section title.
  const std::string& propertySplitter() const { return propertySplitter_; }

  // Never fails: an absent or empty text, or one of line feeds only, gives a
  // tree without nodes; otherwise the tree has the first line as its one
  // top-level node and whatever the walk built below it.
  OutputTree parse(std::optional<std::string_view> text) const;

  // Walks lines from index on (an index of 0 is taken as 1: the first line
  // has no line before it to compare with), node being the current section.
  // Each line is compared with the one before it: the same indentation is a
  // property of the current section; deeper is a property when it holds the
  // splitter, else a new child that becomes current; shallower is a new
  // sibling of the current section, or the end of the walk when the current
  // section has no parent. index is left at the first line not consumed.
  void parseLines(OutputNode& node, const std::vector<std::string_view>& lines,
                  std::size_t& index) const;

 private:
  void storeProperty(OutputNode& node, std::string_view line) const;

  std::string propertySplitter_ = ": ";
};

}  // namespace tellwick

#endif  // TELLWICK_PROFILER_PROFILER_OUTPUT_PARSER_H_
