#ifndef TELLWICK_OS_FILE_PAGES_H_
#define TELLWICK_OS_FILE_PAGES_H_

// The pages a process maps read-only from files (code, constants, the dynamic
// linker's symbol tables) are clean: the kernel may drop them at any time and
// reads them back on the next touch. A helper that idles most of its life
// hands them back once it has started rather than hold what only start-up
// needed.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tellwick::os {

struct AddressRange {
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
  bool operator==(const AddressRange&) const = default;
};

// The readable, unwritable mappings of named files in a /proc/PID/maps
// listing; lines that do not parse are passed over.
std::vector<AddressRange> readOnlyFileMappings(std::string_view maps);

// Asks the kernel to reclaim the calling process's read-only file pages now
// (MADV_PAGEOUT) instead of when memory runs short. Pages that other
// processes map too stay where they are. Returns the bytes advised; 0 where
// the kernel or the listing does not allow it, which costs nothing but the
// memory.
std::size_t releaseReadOnlyFilePages();

}  // namespace tellwick::os

#endif  // TELLWICK_OS_FILE_PAGES_H_
