#include "profiler/profiler_output_parser.h"

#include <memory>

#include "profiler/whitespace.h"

namespace tellwick {
namespace {

std::unique_ptr<OutputNode> nodeFromLine(std::string_view line) {
  std::string_view title = trimWhitespace(line);
  if (title.ends_with(':')) title.remove_suffix(1);
  return std::make_unique<OutputNode>(std::string(title));
}

}  // namespace

OutputTree ProfilerOutputParser::parse(std::optional<std::string_view> text) const {
  OutputTree tree;
  if (!text) return tree;

  // Only a line feed ends a line: a carriage return stays part of it.
  std::vector<std::string_view> lines;
  std::string_view rest = *text;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    if (!line.empty()) lines.push_back(line);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (lines.empty()) return tree;

  OutputNode& root = tree.append(nodeFromLine(lines.front()));
  std::size_t index = 1;
  parseLines(root, lines, index);
  return tree;
}

void ProfilerOutputParser::parseLines(OutputNode& node, const std::vector<std::string_view>& lines,
                                      std::size_t& index) const {
  if (index == 0) index = 1;
  OutputNode* current = &node;
  for (; index < lines.size(); ++index) {
    std::string_view line = lines[index];
    std::size_t previousDepth = indentation(lines[index - 1]);
    std::size_t depth = indentation(line);
    if (depth == previousDepth) {
      storeProperty(*current, line);
    } else if (depth > previousDepth) {
      if (line.find(propertySplitter_) != std::string_view::npos) {
        storeProperty(*current, line);
      } else {
        current = &current->appendChild(nodeFromLine(line));
      }
    } else {
      // However far the indentation drops, the new section is a sibling of
      // the current one; a drop below the top-level section ends the walk.
      OutputNode* parent = current->parent();
      if (parent == nullptr) return;
      current = &parent->appendChild(nodeFromLine(line));
    }
  }
}

void ProfilerOutputParser::storeProperty(OutputNode& node, std::string_view line) const {
  std::size_t split = line.find(propertySplitter_);
  if (split == std::string_view::npos) return;
  std::size_t valueStart = split + propertySplitter_.size();
  if (line.find(propertySplitter_, valueStart) != std::string_view::npos) return;
  node.properties().set(std::string(trimWhitespace(line.substr(0, split))),
                        std::string(line.substr(valueStart)));
}

}  // namespace tellwick
