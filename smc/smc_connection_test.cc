#include "smc/smc_connection.h"

#include <gtest/gtest.h>

#include "tests/fakes/emulated_smc.h"

namespace tellwick {
namespace {

class SmcConnectionTest : public ::testing::Test {
 protected:
  SmcConnectionTest() { smc_.set("TC0P", "sp78", {0x2A, 0x80}); }  // 42.5
  testing::EmulatedSmc smc_;
};

TEST_F(SmcConnectionTest, WithoutServiceOrOpenTheConnectionStaysZeroAndReadsAreAbsent) {
  for (bool noService : {true, false}) {
    smc_.hasService = !noService;
    smc_.failOpen = !noService;
    SmcConnection connection(smc_);
    connection.openConnection();
    EXPECT_EQ(connection.connection(), 0u);
    EXPECT_FALSE(connection.readKeyInfo("TC0P"));
    EXPECT_FALSE(connection.readKeyBytes("TC0P", 2));
    EXPECT_FALSE(connection.readKeyValue("TC0P"));
  }
  EXPECT_EQ(smc_.calls, 0);
  EXPECT_EQ(smc_.closes, 0);
}

TEST_F(SmcConnectionTest, ByteReadIgnoresTheResultCodeButNotAFailedCallOrAnUnknownKey) {
  smc_.setReadResult("TC0P", 0x85);
  SmcConnection connection(smc_);
  connection.openConnection();
  EXPECT_EQ(connection.readKeyValue("TC0P"), 42.5);
  EXPECT_FALSE(connection.readKeyInfo("F9Ac"));

  smc_.failByteReads = true;
  EXPECT_TRUE(connection.readKeyInfo("TC0P"));
  EXPECT_FALSE(connection.readKeyValue("TC0P"));
  smc_.failCalls = true;
  EXPECT_FALSE(connection.readKeyInfo("TC0P"));
}

}  // namespace
}  // namespace tellwick
