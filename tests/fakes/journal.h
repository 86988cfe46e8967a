#ifndef TELLWICK_TESTS_FAKES_JOURNAL_H_
#define TELLWICK_TESTS_FAKES_JOURNAL_H_

#include <string>
#include <vector>

namespace tellwick::testing {

// One ordered record of what several fakes saw, so a test can assert that a
// store write came before the response post.
using Journal = std::vector<std::string>;

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_JOURNAL_H_
