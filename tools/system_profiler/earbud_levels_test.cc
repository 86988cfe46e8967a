#include "tools/system_profiler/earbud_levels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tellwick::tools {
namespace {

using ::testing::ElementsAre;

std::vector<std::uint8_t> bytes(std::string_view hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

BluetoothDevice device(const char* modalias, bool connected = true) {
  return {.connected = connected, .modalias = modalias, .batteryPercentage = 50};
}

std::string levels(const BluetoothDevice& d) {
  if (!d.earbuds) return "-";
  auto text = [](const auto& l) { return l ? std::to_string(*l) : std::string("?"); };
  return text(d.earbuds->left) + "/" + text(d.earbuds->right) + "/" + text(d.earbuds->caseLevel);
}

TEST(EarbudLevelsTest, EachPairTakesTheStrongestFreshAdvertisementOfItsOwnModel) {
  constexpr double kNow = 1000;
  std::vector<BluetoothDevice> devices = {
      device("bluetooth:v004Cp200Ed0001"),  // two fresh advertisements, one stale
      device("bluetooth:v004Cp2014d0001"),  // nothing of its model: wants discovery
      device("bluetooth:v004Cp2013d0001"),  // two pairs of one model
      device("bluetooth:v004Cp2013d0001"),
      device("bluetooth:v004Cp200Fd0001", false),  // not connected
      device("bluetooth:v004Cp2002d0001"),         // its advertisement knows neither bud
  };
  const std::vector<Advertisement> advertisements = {
      {"/stale", bytes("0706010e202b768f"), -30, kNow - 60.5},
      {"/no-rssi", bytes("0706010e202b768f"), std::nullopt, kNow},
      {"/weak", bytes("0706010e20519a98"), -80, kNow - 60},
      {"/twins", bytes("070601132020668f"), -40, kNow},
      {"/other", bytes("0706010f202b558f"), -40, kNow},
      {"/blind", bytes("070601022020ff8f"), -40, kNow},
  };
  EXPECT_THAT(attachEarbudLevels(devices, advertisements, kNow), ElementsAre(0x2014));
  std::vector<std::string> found;
  for (const auto& d : devices) found.push_back(levels(d));
  EXPECT_THAT(found, ElementsAre("90/100/80", "-", "-", "-", "-", "-"));
}

TEST(EarbudLevelsTest, AnAdvertisementKeepsItsAgeOnlyWhileItsObjectKeepsItsBytes) {
  std::vector<Advertisement> advertisements = {
      {"/same", {1, 2}, -40, 0}, {"/changed", {14}, -40, 0}, {"/future", {1}, -40, 0}, {"/new", {1}, -40, 0}};
  recallSeen(advertisements, "not a line\n200 /changed ff\n300.5 /future 01\n100.000 /same 0102", 250);
  std::vector<double> seen;
  for (const auto& a : advertisements) seen.push_back(a.seenAt);
  EXPECT_THAT(seen, ElementsAre(100, 250, 250, 250));

  std::vector<Advertisement> again = advertisements;
  recallSeen(again, rememberSeen(advertisements), 400);
  EXPECT_EQ(again[0].seenAt, 100);
  recallSeen(again, std::string(64 * 1024, ' ') + "\n" + rememberSeen(advertisements), 400);
  EXPECT_EQ(again[0].seenAt, 400);
}

}  // namespace
}  // namespace tellwick::tools
