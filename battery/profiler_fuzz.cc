// libFuzzer target: arbitrary text through the report parser and the
// Bluetooth battery rules. Crashes, sanitizer reports and broken tree
// invariants are findings.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "battery/shell_controller.h"
#include "profiler/profiler_output_parser.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace {

class NoProfiler final : public tellwick::IProfilerController {
 public:
  tellwick::OutputTree run() override { return {}; }
};

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// Every node is linked back to the node that holds it; returns the count.
std::size_t checkLinks(const tellwick::OutputTree& tree) {
  std::size_t count = 0;
  std::vector<const tellwick::OutputNode*> pending;
  for (const auto& node : tree.nodes()) {
    require(node->parent() == nullptr);
    pending.push_back(node.get());
  }
  while (!pending.empty()) {
    const tellwick::OutputNode* node = pending.back();
    pending.pop_back();
    ++count;
    for (const auto& child : node->children()) {
      require(child->parent() == node);
      pending.push_back(child.get());
    }
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tellwick::OutputTree tree = tellwick::ProfilerOutputParser().parse(text);
  require(tree.nodes().size() <= 1);
  std::size_t nodes = checkLinks(tree);
  require(nodes <= size);
  if (size < 4096) require(!tree.description().empty() || nodes == 0);

  NoProfiler profiler;
  tellwick::testing::FakeResourceBundle bundle;
  tellwick::ShellController finder(profiler, bundle);
  finder.readNodes(tree.nodes());
  require(finder.devices().size() <= 3 * nodes);
  for (const auto& device : finder.devices()) {
    auto record = device->encode();
    require(!record.empty());
  }

  tellwick::ShellFields::level(text);
  tellwick::ShellFields::vendorId(text);
  tellwick::ShellFields::productId(text);
  tree.clear();
  require(tree.nodes().empty());
  return 0;
}
