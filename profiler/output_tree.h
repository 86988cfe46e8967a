#ifndef TELLWICK_PROFILER_OUTPUT_TREE_H_
#define TELLWICK_PROFILER_OUTPUT_TREE_H_

#include <any>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellwick {

// A section's key-value pairs. The parser stores only strings, but a value
// may be of any type; keys are unique and a second store replaces the first.
class PropertyCollection {
 public:
  using Data = std::map<std::string, std::any, std::less<>>;

  const Data& data() const { return data_; }
  // The same map as data(), read-only either way.
  const Data& dictionary() const { return data_; }
  std::size_t count() const { return data_.size(); }
  bool contains(std::string_view key) const { return data_.find(key) != data_.end(); }

  // The stored value, or nullopt when the key is absent.
  std::optional<std::any> value(std::string_view key) const;
  // The stored value when it is a T; nullopt when absent or of another type.
  template <class T>
  std::optional<T> value(std::string_view key) const {
    auto it = data_.find(key);
    if (it == data_.end()) return std::nullopt;
    if (const T* typed = std::any_cast<T>(&it->second)) return *typed;
    return std::nullopt;
  }

  void set(std::string key, std::any value) {
    data_.insert_or_assign(std::move(key), std::move(value));
  }

 private:
  Data data_;
};

class OutputNode;
using OutputNodes = std::vector<std::unique_ptr<OutputNode>>;

// A section of the report: its title, its own properties and its subsections.
// A node owns its children; parent() is a non-owning back link, null for a
// top-level node. Destroying a node never recurses, however deep the tree.
class OutputNode {
 public:
  explicit OutputNode(std::string name) : name_(std::move(name)) {}
  OutputNode(const OutputNode&) = delete;
  OutputNode& operator=(const OutputNode&) = delete;
  ~OutputNode();

  const std::string& name() const { return name_; }
  const OutputNodes& children() const { return children_; }
  const PropertyCollection& properties() const { return properties_; }
  PropertyCollection& properties() { return properties_; }
  OutputNode* parent() const { return parent_; }
  // The textual description of a node is its name.
  const std::string& description() const { return name_; }

  // Takes ownership of child, links it back to this node and returns it.
  OutputNode& appendChild(std::unique_ptr<OutputNode> child);

 private:
  friend void detachAll(OutputNodes& nodes);

  std::string name_;
  OutputNodes children_;
  PropertyCollection properties_;
  OutputNode* parent_ = nullptr;
};

// Clears every parent link and children list below and including nodes,
// without recursion, then empties nodes.
void detachAll(OutputNodes& nodes);

// The parsed report: zero or one top-level node when the parser built it.
// Move-only; clearing or destroying it tears every node down (see detachAll)
// before any is released.
class OutputTree {
 public:
  OutputTree() = default;
  OutputTree(OutputTree&&) = default;
  OutputTree& operator=(OutputTree&& other) noexcept;
  OutputTree(const OutputTree&) = delete;
  OutputTree& operator=(const OutputTree&) = delete;
  ~OutputTree() { clear(); }

  const OutputNodes& nodes() const { return nodes_; }
  OutputNode& append(std::unique_ptr<OutputNode> node);

  // A debugging form: each node as "name:" at its depth (two blanks a level),
  // its properties one level deeper as "key: value", then its children.
  std::string description() const;
  void clear() { detachAll(nodes_); }

 private:
  OutputNodes nodes_;
};

}  // namespace tellwick

#endif  // TELLWICK_PROFILER_OUTPUT_TREE_H_
