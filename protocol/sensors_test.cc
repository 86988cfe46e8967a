#include "protocol/sensors.h"

#include <gmock/gmock.h>

#include "protocol/json_value.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;

std::string catalogue(std::initializer_list<const char*> identifiers) {
  std::string json = "[";
  for (const char* id : identifiers) {
    json += std::string(json.size() > 1 ? "," : "") + R"({"Identifier":")" + id + R"(","Description":"x"})";
  }
  return json + "]";
}

std::vector<std::string> identifiers(const std::vector<Sensor>& sensors) {
  std::vector<std::string> ids;
  for (const auto& s : sensors) ids.push_back(s.identifier);
  return ids;
}

class SensorsTest : public ::testing::Test {
 protected:
  SensorsTest() {
    bundle_.addResource("Powers.json", catalogue({"PSTR"}));
    bundle_.addResource("Currents.json", catalogue({"IC0R", "ID0R"}));
    bundle_.addResource("Voltages.json", catalogue({"VC0C"}));
    bundle_.addResource("Temperatures.json", catalogue({"TC0P", "TG0D"}));
  }
  testing::FakeResourceBundle bundle_;
};

// The records themselves are read as the store reads them (record coding).
TEST_F(SensorsTest, EachListKeepsFileOrderAndABadFileContributesNothing) {
  EXPECT_THAT(identifiers(Sensors::all(bundle_)),
              ElementsAre("TC0P", "TG0D", "VC0C", "IC0R", "ID0R", "PSTR"));
  const std::string bad[] = {
      "[{\"Identifier\":\"VC0C\",",
      R"({"Identifier":"VC0C","Description":"x"})",
      "[{\"Identifier\":\"VC0C\"}]",
  };
  for (const auto& contents : bad) {
    bundle_.addResource("Voltages.json", contents);
    EXPECT_THAT(identifiers(Sensors::all(bundle_)), ElementsAre("TC0P", "TG0D", "IC0R", "ID0R", "PSTR"))
        << contents;
  }
}

TEST(JsonValueTest, NumbersKeepTheirKindAndRangeAndNullIsTheNullMarker) {
  auto tree = plistValueFromJson(
      R"({"b":true,"n":null,"neg":-3,"small":7,"big":18446744073709551615,"f":0.25,"s":"é"})");
  ASSERT_TRUE(tree.has_value());
  os::PlistDictionary expected = {
      {"b", true},  {"n", os::PlistNull{}}, {"neg", std::int64_t{-3}},  {"small", std::int64_t{7}},
      {"big", std::uint64_t{18446744073709551615u}}, {"f", 0.25}, {"s", "é"}};
  EXPECT_EQ(*tree, os::PlistValue(expected));
}

TEST(JsonValueTest, InvalidOrAbsurdlyDeepTextGivesNothing) {
  EXPECT_EQ(plistValueFromJson("[1] trailing"), std::nullopt);
  EXPECT_EQ(plistValueFromJson(std::string(100000, '[') + std::string(100000, ']')), std::nullopt);
  EXPECT_TRUE(plistValueFromJson(std::string(50, '[') + std::string(50, ']')).has_value());
}

}  // namespace
}  // namespace tellwick
