#include "protocol/sensors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "protocol/json_value.h"
#include "tests/fakes/fake_resource_bundle.h"

namespace tellwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string catalogue(std::initializer_list<const char*> identifiers) {
  std::string json = "[";
  for (const char* id : identifiers) {
    json += std::string(json.size() > 1 ? "," : "") + "{\"Identifier\":\"" + id +
            "\",\"Description\":\"" + id + " sensor\"}";
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

TEST_F(SensorsTest, EachListKeepsFileOrderAndAllConcatenatesInFixedOrder) {
  auto temperatures = Sensors::temperatures(bundle_);
  ASSERT_EQ(temperatures.size(), 2u);
  EXPECT_EQ(temperatures[0].identifier, "TC0P");
  EXPECT_EQ(temperatures[0].description, "TC0P sensor");
  EXPECT_EQ(temperatures[0].value, std::nullopt);
  EXPECT_THAT(identifiers(Sensors::all(bundle_)),
              ElementsAre("TC0P", "TG0D", "VC0C", "IC0R", "ID0R", "PSTR"));
}

TEST_F(SensorsTest, EveryCallReadsTheFilesAnew) {
  Sensors::powers(bundle_);
  int before = bundle_.reads();
  bundle_.addResource("Powers.json", catalogue({"PCPC", "PDTR"}));
  EXPECT_THAT(identifiers(Sensors::powers(bundle_)), ElementsAre("PCPC", "PDTR"));
  EXPECT_EQ(bundle_.reads(), before + 1);
}

TEST_F(SensorsTest, ABadFileContributesNothingAndTheOthersStillLoad) {
  const std::string bad[] = {
      "",
      "[{\"Identifier\":\"VC0C\",",
      "{\"Identifier\":\"VC0C\",\"Description\":\"x\"}",
      "[{\"Identifier\":\"VC0C\"}]",
      "[{\"Identifier\":\"VC0C\",\"Description\":\"x\"},{\"Identifier\":\"VD0R\"}]",
      "[{\"Identifier\":42,\"Description\":\"x\"}]",
      "[{\"Identifier\":\"VC0C\",\"Description\":\"x\",\"Value\":\"hot\"}]",
      "[\"VC0C\"]",
      "null",
  };
  for (const auto& contents : bad) {
    bundle_.addResource("Voltages.json", contents);
    EXPECT_THAT(Sensors::voltages(bundle_), IsEmpty()) << contents;
    EXPECT_THAT(identifiers(Sensors::all(bundle_)),
                ElementsAre("TC0P", "TG0D", "IC0R", "ID0R", "PSTR"))
        << contents;
  }
}

TEST_F(SensorsTest, MissingOrUnreadableFilesContributeNothing) {
  bundle_.setUnreadable("Temperatures.json");
  testing::FakeResourceBundle empty;
  EXPECT_THAT(Sensors::temperatures(bundle_), IsEmpty());
  EXPECT_THAT(identifiers(Sensors::all(bundle_)), ElementsAre("VC0C", "IC0R", "ID0R", "PSTR"));
  EXPECT_THAT(Sensors::all(empty), IsEmpty());
}

TEST_F(SensorsTest, EntriesMayCarryAValueOrANullOne) {
  bundle_.addResource("Temperatures.json",
                      "[{\"Identifier\":\"TC0P\",\"Description\":\"a\",\"Value\":null},"
                      "{\"Identifier\":\"TC0D\",\"Description\":\"b\",\"Value\":41.5,\"x\":1}]");
  auto sensors = Sensors::temperatures(bundle_);
  ASSERT_EQ(sensors.size(), 2u);
  EXPECT_EQ(sensors[0].value, std::nullopt);
  EXPECT_EQ(sensors[1].value, 41.5);
}

// The shipped catalogue is what the Intel controller probes: four-character
// keys whose classification matches the file they are listed in.
TEST(ShippedCatalogueTest, ListsHonestFourCharacterKeysOfTheRightKind) {
  struct File {
    std::vector<Sensor> sensors;
    SensorType type;
  };
  const os::ResourceBundle& shipped = os::installedBundle();
  const File files[] = {{Sensors::temperatures(shipped), SensorType::thermal},
                        {Sensors::voltages(shipped), SensorType::voltage},
                        {Sensors::currents(shipped), SensorType::current},
                        {Sensors::powers(shipped), SensorType::power}};
  std::set<std::string> seen;
  for (const auto& file : files) {
    EXPECT_FALSE(file.sensors.empty());
    for (const auto& sensor : file.sensors) {
      EXPECT_EQ(sensor.identifier.size(), 4u) << sensor.identifier;
      EXPECT_EQ(sensor.type(), file.type) << sensor.identifier;
      EXPECT_FALSE(sensor.description.empty()) << sensor.identifier;
      EXPECT_EQ(sensor.value, std::nullopt) << sensor.identifier;
      EXPECT_TRUE(seen.insert(sensor.identifier).second) << "duplicate " << sensor.identifier;
    }
  }
  EXPECT_GE(files[0].sensors.size(), 40u);
  for (const char* key : {"TC0P", "TC0D", "TC0E", "TC0F", "TG0P", "TG0D", "TB0T", "TA0P", "Th0H",
                          "Tm0P", "TN0P", "TW0P", "Ts0P", "VC0C", "VD0R", "VG0C", "VP0R", "IC0R",
                          "ID0R", "IG0C", "IPBR", "PC0C", "PCPC", "PSTR", "PDTR"}) {
    EXPECT_TRUE(seen.contains(key)) << key;
  }
  EXPECT_EQ(Sensors::all(shipped).size(), seen.size());
}

TEST(JsonValueTest, NumbersKeepTheirKindAndRangeAndNullIsTheNullMarker) {
  auto tree = plistValueFromJson(
      R"({"b":true,"n":null,"neg":-3,"small":7,"big":18446744073709551615,"f":0.25,"s":"é"})");
  ASSERT_TRUE(tree.has_value());
  os::PlistDictionary expected = {
      {"b", true},
      {"n", os::PlistNull{}},
      {"neg", std::int64_t{-3}},
      {"small", std::int64_t{7}},
      {"big", std::uint64_t{18446744073709551615u}},
      {"f", 0.25},
      {"s", "é"},
  };
  EXPECT_EQ(*tree, os::PlistValue(expected));
}

TEST(JsonValueTest, InvalidOrAbsurdlyDeepTextGivesNothing) {
  EXPECT_EQ(plistValueFromJson("[1,"), std::nullopt);
  EXPECT_EQ(plistValueFromJson(""), std::nullopt);
  EXPECT_EQ(plistValueFromJson("[1] trailing"), std::nullopt);
  EXPECT_EQ(plistValueFromJson(std::string(100000, '[') + std::string(100000, ']')),
            std::nullopt);
  EXPECT_TRUE(plistValueFromJson(std::string(50, '[') + std::string(50, ']')).has_value());
}

}  // namespace
}  // namespace tellwick
