#include "os/system_identification.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/fakes/fake_system_identification.h"

namespace tellwick::os {
namespace {

TEST(NormalizedMachineNameTest, SpeaksTheProtocolsVocabulary) {
  EXPECT_EQ(normalizedMachineName(std::string("aarch64\0\0", 9)), "arm64");
  EXPECT_EQ(normalizedMachineName(std::string("x86_64\0", 7)), "x86_64");
  // Only the exact kernel name is translated.
  EXPECT_EQ(normalizedMachineName("aarch64x"), "aarch64x");
}

// The contract both implementations keep.
using Factory = std::unique_ptr<SystemIdentification> (*)();
class SystemIdentificationContractTest : public ::testing::TestWithParam<Factory> {};

TEST_P(SystemIdentificationContractTest, ReportsAStableNormalizedName) {
  auto system = GetParam()();
  std::string machine = system->machine();
  EXPECT_FALSE(machine.empty());
  EXPECT_EQ(machine.find('\0'), std::string::npos);
  EXPECT_EQ(machine, normalizedMachineName(machine));
  EXPECT_EQ(system->machine(), machine);
}

INSTANTIATE_TEST_SUITE_P(Linux, SystemIdentificationContractTest,
                         ::testing::Values(&newLinuxSystemIdentification));
INSTANTIATE_TEST_SUITE_P(Fake, SystemIdentificationContractTest,
                         ::testing::Values(+[]() -> std::unique_ptr<SystemIdentification> {
                           return std::make_unique<testing::FakeSystemIdentification>();
                         }));

}  // namespace
}  // namespace tellwick::os
