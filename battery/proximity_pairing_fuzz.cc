// libFuzzer target: any bytes as the manufacturer data of company 0x004C.
// Besides crashes and sanitizer reports, a finding is a decode that breaks
// what the message's layout promises: levels in steps of ten up to 100,
// nothing read past the declared length, and the primary-side bit swapping
// exactly the two buds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "battery/proximity_pairing.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

void requireLevel(const std::optional<std::uint8_t>& level) {
  require(!level || (*level <= 100 && *level % 10 == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  std::span<const std::uint8_t> data(bytes, size);
  auto message = tellwick::decodeProximityPairing(data);
  if (!message) return 0;
  require(size >= 8 && data[0] == 0x07 && data[2] == 0x01);
  requireLevel(message->left);
  requireLevel(message->right);
  requireLevel(message->caseLevel);

  // The declared message alone decodes the same.
  require(tellwick::decodeProximityPairing(data.first(2 + data[1])) == message);

  // The other primary side: the buds trade places, the case stays.
  std::vector<std::uint8_t> flipped(data.begin(), data.end());
  flipped[5] ^= 0x20;
  auto other = tellwick::decodeProximityPairing(flipped);
  require(other && other->primary != message->primary && other->model == message->model);
  require(other->left == message->right && other->right == message->left);
  require(other->leftCharging == message->rightCharging && other->rightCharging == message->leftCharging);
  require(other->caseLevel == message->caseLevel && other->caseCharging == message->caseCharging);
  return 0;
}
