#include "protocol/version_order.h"

namespace tellwick {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The digit run starting at text[at], without its leading zeros; at moves
// past the run.
std::string_view digitRun(std::string_view text, std::size_t& at) {
  std::size_t start = at;
  while (at < text.size() && isDigit(text[at])) ++at;
  std::string_view run = text.substr(start, at - start);
  std::size_t firstSignificant = run.find_first_not_of('0');
  return firstSignificant == std::string_view::npos ? std::string_view() : run.substr(firstSignificant);
}

}  // namespace

std::strong_ordering numericOrder(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      // Compared as text so that no run is too long for an integer type.
      std::string_view x = digitRun(a, i), y = digitRun(b, j);
      if (auto bySize = x.size() <=> y.size(); bySize != 0) return bySize;
      if (auto byDigits = x.compare(y); byDigits != 0) return byDigits <=> 0;
      continue;
    }
    auto x = static_cast<unsigned char>(a[i++]), y = static_cast<unsigned char>(b[j++]);
    if (x != y) return x <=> y;
  }
  return (a.size() - i) <=> (b.size() - j);
}

}  // namespace tellwick
