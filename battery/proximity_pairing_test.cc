#include "battery/proximity_pairing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tellwick {
namespace {

std::vector<std::uint8_t> bytes(std::string_view hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

// "200E right 90/100/80 R": model, primary bud, left/right/case levels and
// who charges; "-" for what is absent, "none" for no message at all.
std::string described(std::string_view hex) {
  auto message = decodeProximityPairing(bytes(hex));
  if (!message) return "none";
  auto level = [](const auto& l) { return l ? std::to_string(*l) : std::string("-"); };
  std::string flags = std::string(message->leftCharging ? "L" : "") + (message->rightCharging ? "R" : "") +
                      (message->caseCharging ? "C" : "");
  char model[8];
  std::snprintf(model, sizeof model, "%04X", message->model);
  return std::string(model) + (message->primary == BudSide::left ? " left " : " right ") +
         level(message->left) + "/" + level(message->right) + "/" + level(message->caseLevel) + " " +
         (flags.empty() ? "-" : flags);
}

// Whole advertisements as published with the field tables and captures
// that describe them, then the same messages cut, bent and mislabelled.
TEST(ProximityPairingTest, DecodesPublishedAdvertisementsAndNothingElse) {
  const struct {
    const char* name;
    const char* hex;
    const char* expected;
  } kCases[] = {
      {"left primary: the second flag is the right bud", "0719010e203366a602000500000000000000000000000000000000",
       "200E left 60/60/60 R"},
      {"a bud out of range", "0719010e200bf98f0300055b59674cf7f3ef01baf4921b26e49040", "200E right -/90/- -"},
      {"everything charging", "07190114205588f9510004205003cad5c9ac0ffa8478945a4ddff5", "2014 right 80/80/90 LRC"},
      {"11 to 14 are no levels", "0706010e202bbc8e", "200E left -/-/- -"},
      {"bytes past the declared length are not read", "0706010e202b768fffffff", "200E left 60/70/- -"},
      {"declared longer than what came", "0719010e202b768f", "none"},
      {"declared shorter than the fields", "0705010e202b76", "none"},
      {"pairing mode has no levels there", "0719000e202b768f02000500000000000000000000000000000000", "none"},
      {"another message type", "1005031c2f8e21", "none"},
      {"type alone", "07", "none"},
      {"nothing", "", "none"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(described(c.hex), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tellwick
