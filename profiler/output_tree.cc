#include "profiler/output_tree.h"

#include <utility>

namespace tellwick {
namespace {

void appendValueText(std::string& out, const std::any& value) {
  if (const auto* text = std::any_cast<std::string>(&value)) {
    out += *text;
  } else if (const auto* number = std::any_cast<long long>(&value)) {
    out += std::to_string(*number);
  } else if (const auto* flag = std::any_cast<bool>(&value)) {
    out += *flag ? "true" : "false";
  } else if (value.has_value()) {
    out += "<";
    out += value.type().name();
    out += ">";
  }
}

}  // namespace

std::optional<std::any> PropertyCollection::value(std::string_view key) const {
  auto it = data_.find(key);
  if (it == data_.end()) return std::nullopt;
  return it->second;
}

OutputNode::~OutputNode() { detachAll(children_); }

OutputNode& OutputNode::appendChild(std::unique_ptr<OutputNode> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
  return *children_.back();
}

void detachAll(OutputNodes& nodes) {
  // A report of many thousand nested sections must not be torn down by
  // recursion: every node is emptied before it is released.
  OutputNodes pending = std::move(nodes);
  nodes.clear();
  while (!pending.empty()) {
    std::unique_ptr<OutputNode> node = std::move(pending.back());
    pending.pop_back();
    node->parent_ = nullptr;
    for (auto& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
}

OutputTree& OutputTree::operator=(OutputTree&& other) noexcept {
  if (this != &other) {
    clear();
    nodes_ = std::move(other.nodes_);
    other.nodes_.clear();
  }
  return *this;
}

OutputNode& OutputTree::append(std::unique_ptr<OutputNode> node) {
  nodes_.push_back(std::move(node));
  return *nodes_.back();
}

std::string OutputTree::description() const {
  std::string out;
  std::vector<std::pair<const OutputNode*, std::size_t>> stack;
  for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) stack.emplace_back(it->get(), 0);
  while (!stack.empty()) {
    auto [node, indent] = stack.back();
    stack.pop_back();
    out.append(indent, ' ');
    out += node->name();
    out += ":\n";
    for (const auto& [key, value] : node->properties().data()) {
      out.append(indent + 2, ' ');
      out += key;
      out += ": ";
      appendValueText(out, value);
      out += '\n';
    }
    const auto& children = node->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      stack.emplace_back(it->get(), indent + 2);
    }
  }
  return out;
}

}  // namespace tellwick
