#ifndef TELLWICK_PROTOCOL_SYMBOL_IMAGE_H_
#define TELLWICK_PROTOCOL_SYMBOL_IMAGE_H_

#include <string>

namespace tellwick {

// A system symbol image, carried by name: clients draw it, the helper never does.
struct SymbolImage {
  std::string name;
  bool operator==(const SymbolImage&) const = default;
};

}  // namespace tellwick

#endif  // TELLWICK_PROTOCOL_SYMBOL_IMAGE_H_
