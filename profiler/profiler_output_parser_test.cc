#include "profiler/profiler_output_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace tellwick {
namespace {

// Sections with their properties and empty lines skipped before indentation
// is compared are also the profiler controller's parsed report.
TEST(ProfilerOutputParserTest, BuildsTheTreeByIndentation) {
  struct Case {
    const char* rule;
    const char* text;
    const char* tree;  // the parsed tree's description
  };
  const Case cases[] = {
      // The group lands beside the device, under the device's parent, not the root.
      {"a shallower line is a sibling of the current section whatever the drop",
       "Bluetooth:\n      Connected:\n          Mouse:\n              Address: AA\n"
       "      Not Connected:\n          Keyboard:\n              Address: BB\n",
       "Bluetooth:\n  Connected:\n    Mouse:\n      Address: AA\n    Not Connected:\n"
       "      Keyboard:\n        Address: BB\n"},
      {"a shallower line with a splitter still opens a section",
       "Root:\n  Group:\n    Device:\n      Key: value\n  Other: thing\n",
       "Root:\n  Group:\n    Device:\n      Key: value\n    Other: thing:\n"},
      {"a second title at the same depth is dropped and its lines go to the first",
       "Bluetooth:\n      Connected:\n      Not Connected:\n          Mouse:\n"
       "              Address: AA\n",
       "Bluetooth:\n  Connected:\n    Mouse:\n      Address: AA\n"},
      // A carriage return is not white space for the trim, so the colon stays.
      {"values keep their tail while keys and titles are trimmed",
       " \tTitle \xC2\xA0:\r\n  \t Key\t : value  \r\n  Other: x\n",
       "Title \xC2\xA0:\r:\n  Key: value  \r\n  Other: x\n"},
      {"a property needs exactly one splitter",
       "Root:\n  A: one: two\n  B\n  C: \n  D: first\n  D: second\n  E:value\n",
       "Root:\n  C: \n  D: second\n"},
      {"the walk ends at a line back at the root's depth",
       "Root:\n  Key: value\nNext:\n  Child:\n    Key: other\n", "Root:\n  Key: value\n"},
      {"nothing to parse", "", ""},
      {"a blank-only line is not empty: a nameless root", "\n   \n", ":\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(ProfilerOutputParser().parse(c.text).description(), c.tree);
  }
  EXPECT_TRUE(ProfilerOutputParser().parse(std::nullopt).nodes().empty());
}

// A chain far deeper than any call stack could recurse through.
OutputTree deepChain(int depth) {
  OutputTree tree;
  OutputNode* node = &tree.append(std::make_unique<OutputNode>("0"));
  for (int i = 1; i < depth; ++i) node = &node->appendChild(std::make_unique<OutputNode>("n"));
  return tree;
}

TEST(OutputTreeTest, DeepTreesAreClearedAndDestroyedWithoutRecursion) {
  constexpr int kDepth = 1000000;
  OutputTree tree = deepChain(kDepth);
  OutputTree moved = std::move(tree);
  EXPECT_EQ(moved.nodes().size(), 1u);
  moved.clear();
  EXPECT_TRUE(moved.nodes().empty());
  moved = deepChain(kDepth);  // assigned, then destroyed by going out of scope
  EXPECT_EQ(moved.nodes().size(), 1u);
  // A lone node is destroyed on its own, grandchildren included.
  auto lone = std::make_unique<OutputNode>("lone");
  lone->appendChild(std::make_unique<OutputNode>("c")).appendChild(std::make_unique<OutputNode>("g"));
  lone.reset();
}

}  // namespace
}  // namespace tellwick
