#include "protocol/version_order.h"

#include <gtest/gtest.h>

namespace tellwick {
namespace {

TEST(NumericOrderTest, OrdersVersionTexts) {
  using std::strong_ordering;
  struct Case {
    std::string_view a, b;
    strong_ordering expected;
  } cases[] = {
      {"1.9", "1.10", strong_ordering::less},
      {"1.2", "1.2.0", strong_ordering::less},
      {"", "0", strong_ordering::less},
      {"1.01", "1.1", strong_ordering::equal},
      {"007", "7", strong_ordering::equal},
      // Runs longer than any integer type still compare by value.
      {"1.99999999999999999999", "1.100000000000000000000", strong_ordering::less},
      {"18446744073709551616", "18446744073709551615", strong_ordering::greater},
      // Other bytes by value: '-' before '.', letters after digits.
      {"1.0-beta", "1.0.1", strong_ordering::less},
      {"1.0a", "1.0", strong_ordering::greater},
      {"1.0\xc3\xa9", "1.0e", strong_ordering::greater},
      {"v2", "v10", strong_ordering::less},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(numericOrder(c.a, c.b) == c.expected) << "'" << c.a << "' vs '" << c.b << "'";
  }
}

}  // namespace
}  // namespace tellwick
