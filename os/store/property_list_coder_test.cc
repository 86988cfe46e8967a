#include "os/store/property_list_coder.h"

#include "os/store/binary_plist.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace tellwick::os {
namespace {

class PropertyListCoderTest : public ::testing::Test {
 protected:
  PlistData encodeOk(const PlistValue& value) {
    auto result = coder_->encode(value);
    EXPECT_TRUE(result) << result.error();
    return result ? *result : PlistData{};
  }
  PlistValue decodeOk(const PlistData& bytes) {
    auto result = coder_->decode(bytes);
    EXPECT_TRUE(result) << result.error();
    return result ? *result : PlistValue{};
  }
  PlistValue roundTrip(const PlistValue& value) { return decodeOk(encodeOk(value)); }
  static PlistData bytesOf(std::string_view text) { return PlistData(text.begin(), text.end()); }
  static std::string xml(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" +
           std::string(body) + "</plist>";
  }

  std::unique_ptr<PropertyListCoder> coder_ = newLinuxPropertyListCoder();
};

// Integers keep their value and come back signed when they fit.
TEST_F(PropertyListCoderTest, EveryKindRoundTripsAndDictionariesKeepTheirKeyOrder) {
  constexpr auto kInt64Max = std::numeric_limits<std::int64_t>::max();
  constexpr auto kInt64Min = std::numeric_limits<std::int64_t>::min();
  constexpr std::uint64_t kTwoTo63 = std::uint64_t{1} << 63;
  auto tree = [&](PlistValue big) {
    return PlistArray{
        PlistDictionary{{"zeta", true}, {"alpha", false}, {"text", std::string("Grüße, 温度 🌡")},
                        {"real", -0.001}, {"data", PlistData{0, 1, 2, 255}},
                        {"nested", PlistArray{PlistArray{}, PlistDictionary{}}}},
        PlistNull{}, std::int64_t{-1}, kInt64Min, big, kTwoTo63};
  };
  EXPECT_EQ(roundTrip(tree(std::uint64_t{kInt64Max})), PlistValue(tree(kInt64Max)));
}

// The null marker is the exact string "$null"; the XML format is read too.
TEST_F(PropertyListCoderTest, ReadsTheNullMarkerAndTheXmlFormat) {
  EXPECT_EQ(roundTrip(std::string("$null")), PlistValue(PlistNull{}));
  EXPECT_EQ(decodeOk(bytesOf(xml("<array><string>$null</string><string>$nullx</string><string>$NULL</string>"
                                 "<dict><key>big</key><integer>18446744073709551615</integer>"
                                 "<key>neg</key><integer>-3</integer><key>ok</key><true/></dict></array>"))),
            PlistValue(PlistArray{PlistNull{}, "$nullx", "$NULL", PlistDictionary{
                {"big", std::numeric_limits<std::uint64_t>::max()}, {"neg", -3}, {"ok", true}}}));
}

TEST_F(PropertyListCoderTest, WritesEveryStringItIsGivenAndOnlyReplacesBytesThatAreNotText) {
  struct Case {
    PlistValue given;
    PlistValue readBack;
  };
  const Case cases[] = {
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {std::string("fan\xff\xfe 2"), std::string("fan\xef\xbf\xbd\xef\xbf\xbd 2")},
      {PlistDictionary{{std::string("\xc0\x80"), 1}},
       PlistDictionary{{std::string("\xef\xbf\xbd"), 1}}},
      {PlistDictionary{{"a", 1}, {"b", 2}, {"a", 3}}, PlistDictionary{{"a", 1}, {"b", 2}, {"a", 3}}},
  };
  for (const auto& c : cases) EXPECT_TRUE(roundTrip(c.given) == c.readBack) << &c - cases;
}

// Another writer's text that is not text costs only its bad sequences.
TEST_F(PropertyListCoderTest, ReadsTextThatIsNotTextWithReplacementCharacters) {
  bplist::Writer writer;
  const std::uint8_t latin1[] = {'C', 'a', 'f', 0xE9};
  const std::uint8_t loneSurrogate[] = {0x00, 'A', 0xD8, 0x00};
  const std::uint64_t refs[] = {writer.addObject(bplist::kAsciiString, 0, latin1, {}),
                                writer.addObject(bplist::kUtf16String, 0, loneSurrogate, {})};
  EXPECT_EQ(decodeOk(writer.finish(writer.addContainer(bplist::kArray, refs))),
            PlistValue(PlistArray{"Caf\xEF\xBF\xBD", "A\xEF\xBF\xBD"}));
}

// A copy stops before it grows beyond its limit. That it copies what its
// roots share once, the damaged-store suite measures through the helper.
TEST(CopierTest, StopsAtItsLimit) {
  bplist::Writer source;
  const std::uint64_t data = source.addData(PlistData(1000, 7));
  const PlistData bytes = source.finish(source.addContainer(bplist::kArray, std::vector{data}));
  const auto reader = bplist::Reader::open(bytes).value();
  bplist::Writer copy;
  bplist::Copier copier(reader, copy, 900);
  EXPECT_FALSE(copier.copy(std::vector{reader.top()}));
  EXPECT_TRUE(copier.overLimit());
}

// Trees of any shape must cost bounded stack and time to read.
TEST_F(PropertyListCoderTest, RefusesTreesNestedBeyondTheLimitOrExpandingBeyondTheFile) {
  auto nestedBinary = [](int depth, int fanOut) {
    bplist::Writer writer;
    std::uint64_t inner = writer.addContainer(bplist::kArray, {});
    for (int i = 0; i < depth; ++i) {
      std::vector<std::uint64_t> refs(static_cast<std::size_t>(fanOut), inner);
      inner = writer.addContainer(bplist::kArray, refs);
    }
    return writer.finish(inner);
  };
  auto cyclic = [] {
    bplist::Writer writer;
    std::uint64_t self = writer.count();
    return writer.finish(writer.addContainer(bplist::kArray, std::vector<std::uint64_t>{self}));
  };
  std::string deepXml;
  for (int i = 0; i < 300000; ++i) deepXml += "<array>";
  const PlistData cases[] = {
      nestedBinary(bplist::kMaxDepth + 1, 1),
      nestedBinary(60, 2),  // 2^60 elements from a few hundred bytes
      cyclic(),
      bytesOf(xml(deepXml)),
  };
  for (const auto& bytes : cases) EXPECT_FALSE(coder_->decode(bytes)) << bytes.size() << " bytes";
  EXPECT_TRUE(coder_->decode(nestedBinary(bplist::kMaxDepth, 1)));
}

// Empty, not a plist, a kind the store cannot hold, and files cut short.
TEST_F(PropertyListCoderTest, RejectsBytesThatAreNotAPropertyListItCanHold) {
  PlistData whole = encodeOk(PlistArray{PlistDictionary{{"name", "launchd"}, {"pid", 1}}});
  const PlistData cases[] = {
      bytesOf(""), bytesOf("hello, world"), bytesOf("bplist00"),
      bytesOf(xml("<array><date>2024-01-01T00:00:00Z</date></array>")),
      PlistData(whole.begin(), whole.begin() + whole.size() / 2), PlistData(whole.begin(), whole.end() - 1)};
  for (const auto& bytes : cases) {
    auto decoded = coder_->decode(bytes);
    EXPECT_TRUE(!decoded && !decoded.error().empty()) << bytes.size() << " bytes";
  }
}

}  // namespace
}  // namespace tellwick::os
