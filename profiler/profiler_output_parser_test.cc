#include "profiler/profiler_output_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace tellwick {
namespace {

using ::testing::ElementsAre;

class ProfilerOutputParserTest : public ::testing::Test {
 protected:
  OutputTree parse(std::string_view text) { return parser_.parse(text); }

  static std::vector<std::string> childNames(const OutputNode& node) {
    std::vector<std::string> names;
    for (const auto& child : node.children()) names.push_back(child->name());
    return names;
  }
  static std::string property(const OutputNode& node, std::string_view key) {
    return node.properties().value<std::string>(key).value_or("<absent>");
  }

  ProfilerOutputParser parser_;
};

TEST_F(ProfilerOutputParserTest, BuildsSectionsWithTheirProperties) {
  auto tree = parse(
      "Bluetooth:\n"
      "      Connected:\n"
      "          Mouse:\n"
      "              Battery Level: 85%\n"
      "              Address: AA-BB\n");
  ASSERT_EQ(tree.nodes().size(), 1u);
  const OutputNode& root = *tree.nodes()[0];
  EXPECT_EQ(root.name(), "Bluetooth");
  EXPECT_EQ(root.parent(), nullptr);
  ASSERT_THAT(childNames(root), ElementsAre("Connected"));
  const OutputNode& group = *root.children()[0];
  EXPECT_EQ(group.parent(), &root);
  ASSERT_THAT(childNames(group), ElementsAre("Mouse"));
  const OutputNode& mouse = *group.children()[0];
  EXPECT_EQ(mouse.parent(), &group);
  EXPECT_EQ(mouse.properties().count(), 2u);
  EXPECT_EQ(property(mouse, "Battery Level"), "85%");
  EXPECT_EQ(property(mouse, "Address"), "AA-BB");
  EXPECT_EQ(group.properties().count(), 0u);
}

TEST_F(ProfilerOutputParserTest, ShallowerLineIsASiblingOfTheCurrentSectionWhateverTheDrop) {
  auto tree = parse(
      "Bluetooth:\n"
      "      Connected:\n"
      "          Mouse:\n"
      "              Address: AA\n"
      "      Not Connected:\n"
      "          Keyboard:\n"
      "              Address: BB\n");
  const OutputNode& root = *tree.nodes()[0];
  ASSERT_THAT(childNames(root), ElementsAre("Connected"));
  const OutputNode& connected = *root.children()[0];
  // The group lands beside the device, under the device's parent, not the root.
  ASSERT_THAT(childNames(connected), ElementsAre("Mouse", "Not Connected"));
  const OutputNode& notConnected = *connected.children()[1];
  EXPECT_EQ(notConnected.parent(), &connected);
  ASSERT_THAT(childNames(notConnected), ElementsAre("Keyboard"));
  EXPECT_EQ(property(*notConnected.children()[0], "Address"), "BB");
}

TEST_F(ProfilerOutputParserTest, ShallowerLineWithSplitterStillOpensASection) {
  auto tree = parse(
      "Root:\n"
      "  Group:\n"
      "    Device:\n"
      "      Key: value\n"
      "  Other: thing\n");
  const OutputNode& group = *tree.nodes()[0]->children()[0];
  EXPECT_THAT(childNames(group), ElementsAre("Device", "Other: thing"));
}

TEST_F(ProfilerOutputParserTest, SecondTitleAtTheSameDepthIsDroppedAndItsLinesGoToTheFirst) {
  auto tree = parse(
      "Bluetooth:\n"
      "      Connected:\n"
      "      Not Connected:\n"
      "          Mouse:\n"
      "              Address: AA\n");
  const OutputNode& root = *tree.nodes()[0];
  ASSERT_THAT(childNames(root), ElementsAre("Connected"));
  EXPECT_THAT(childNames(*root.children()[0]), ElementsAre("Mouse"));
  EXPECT_EQ(root.properties().count(), 0u);
}

TEST_F(ProfilerOutputParserTest, ValuesKeepTheirTailWhileKeysAndTitlesAreTrimmed) {
  auto tree = parse(
      " \tTitle \xC2\xA0:\r\n"
      "  \t Key\t : value  \r\n"
      "  Other: x\n");
  const OutputNode& root = *tree.nodes()[0];
  // A carriage return is not white space for the trim, so the colon stays.
  EXPECT_EQ(root.name(), "Title \xC2\xA0:\r");
  EXPECT_EQ(property(root, "Key"), "value  \r");
  EXPECT_EQ(property(root, "Other"), "x");

  auto titled = parse(
      "\xE3\x80\x80"
      "Bluetooth:\xE2\x80\x8A\n");
  EXPECT_EQ(titled.nodes()[0]->name(), "Bluetooth");
}

TEST_F(ProfilerOutputParserTest, PropertyNeedsExactlyOneSplitter) {
  auto tree = parse(
      "Root:\n"
      "  A: one: two\n"
      "  B\n"
      "  C: \n"
      "  D: first\n"
      "  D: second\n"
      "  E:value\n");
  const OutputNode& root = *tree.nodes()[0];
  EXPECT_FALSE(root.properties().contains("A"));
  EXPECT_FALSE(root.properties().contains("B"));
  EXPECT_FALSE(root.properties().contains("E"));
  EXPECT_EQ(property(root, "C"), "");
  EXPECT_EQ(property(root, "D"), "second");
  EXPECT_EQ(root.properties().count(), 2u);
  EXPECT_TRUE(root.children().empty());
}

TEST_F(ProfilerOutputParserTest, WalkEndsAtALineBackAtTheRootsDepth) {
  auto tree = parse(
      "Root:\n"
      "  Key: value\n"
      "Next:\n"
      "  Child:\n"
      "    Key: other\n");
  ASSERT_EQ(tree.nodes().size(), 1u);
  const OutputNode& root = *tree.nodes()[0];
  EXPECT_TRUE(root.children().empty());
  EXPECT_EQ(property(root, "Key"), "value");

  std::vector<std::string_view> lines = {"Root:", "  Key: value", "Next:", "  Key: other"};
  OutputNode node("Root");
  std::size_t index = 1;
  parser_.parseLines(node, lines, index);
  EXPECT_EQ(index, 2u);
}

TEST_F(ProfilerOutputParserTest, NothingToParseGivesNoNodes) {
  EXPECT_TRUE(parser_.parse(std::nullopt).nodes().empty());
  EXPECT_TRUE(parse("").nodes().empty());
  EXPECT_TRUE(parse("\n\n\n").nodes().empty());
  // Blank-only lines are not empty: one becomes a nameless root.
  auto blanks = parse("\n   \n");
  ASSERT_EQ(blanks.nodes().size(), 1u);
  EXPECT_EQ(blanks.nodes()[0]->name(), "");
}

TEST_F(ProfilerOutputParserTest, EmptyLinesAreSkippedBeforeIndentationIsCompared) {
  auto tree = parse(
      "Bluetooth:\n"
      "\n"
      "      Bluetooth Controller:\n"
      "\n"
      "          Address: 00:11\n");
  const OutputNode& root = *tree.nodes()[0];
  ASSERT_THAT(childNames(root), ElementsAre("Bluetooth Controller"));
  EXPECT_EQ(property(*root.children()[0], "Address"), "00:11");
}

// A chain far deeper than any call stack could recurse through.
OutputTree deepChain(int depth) {
  OutputTree tree;
  OutputNode* node = &tree.append(std::make_unique<OutputNode>("0"));
  for (int i = 1; i < depth; ++i) node = &node->appendChild(std::make_unique<OutputNode>("n"));
  return tree;
}

TEST(OutputTreeTest, DescriptionWritesNodesPropertiesAndChildrenByDepth) {
  OutputTree tree;
  OutputNode& root = tree.append(std::make_unique<OutputNode>("Bluetooth"));
  root.properties().set("State", std::string("On"));
  OutputNode& devices = root.appendChild(std::make_unique<OutputNode>("Devices"));
  OutputNode& mouse = devices.appendChild(std::make_unique<OutputNode>("Mouse"));
  mouse.properties().set("Battery Level", std::string("5%"));
  mouse.properties().set("Address", std::string("AA"));
  root.appendChild(std::make_unique<OutputNode>("Other"));
  EXPECT_EQ(tree.description(),
            "Bluetooth:\n"
            "  State: On\n"
            "  Devices:\n"
            "    Mouse:\n"
            "      Address: AA\n"
            "      Battery Level: 5%\n"
            "  Other:\n");
  EXPECT_EQ(mouse.parent(), &devices);
  EXPECT_EQ(mouse.description(), "Mouse");
}

TEST(OutputTreeTest, DeepTreesAreClearedAndDestroyedWithoutRecursion) {
  constexpr int kDepth = 1000000;
  OutputTree tree = deepChain(kDepth);

  OutputTree moved = std::move(tree);
  EXPECT_EQ(moved.nodes().size(), 1u);
  moved.clear();
  EXPECT_TRUE(moved.nodes().empty());

  // Destroyed by going out of scope, and a lone node destroyed on its own.
  OutputTree dropped = deepChain(kDepth);
  auto lone = std::make_unique<OutputNode>("lone");
  for (int i = 0; i < 3; ++i) lone->appendChild(std::make_unique<OutputNode>("c"));
  OutputNode* child = lone->children()[0].get();
  child->appendChild(std::make_unique<OutputNode>("g"));
  lone.reset();
}

}  // namespace
}  // namespace tellwick
