#include "os/file_pages.h"

#include <sys/mman.h>

#include <algorithm>
#include <charconv>

#include "os/posix_file.h"

#ifndef MADV_PAGEOUT
#define MADV_PAGEOUT 21  // Linux 5.4; older C libraries lack the name
#endif

namespace tellwick::os {
namespace {

// /proc/self/maps of a large process is some tens of kilobytes.
constexpr std::size_t kMapsLimit = 4 << 20;

bool parseAddress(std::string_view text, std::uintptr_t& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return ec == std::errc() && end == text.data() + text.size();
}

// The next space-separated field of line, consumed from it.
std::string_view field(std::string_view& line) {
  std::size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return line = {};
  line.remove_prefix(start);
  std::string_view word = line.substr(0, line.find(' '));
  line.remove_prefix(word.size());
  return word;
}

}  // namespace

std::vector<AddressRange> readOnlyFileMappings(std::string_view maps) {
  std::vector<AddressRange> ranges;
  while (!maps.empty()) {
    std::string_view line = maps.substr(0, maps.find('\n'));
    maps.remove_prefix(std::min(maps.size(), line.size() + 1));
    // address perms offset device inode path
    std::string_view addresses = field(line);
    std::string_view perms = field(line);
    for (int skipped = 0; skipped < 3; ++skipped) field(line);
    std::size_t path = line.find_first_not_of(' ');
    std::size_t dash = addresses.find('-');
    AddressRange range;
    if (dash == std::string_view::npos || !parseAddress(addresses.substr(0, dash), range.begin) ||
        !parseAddress(addresses.substr(dash + 1), range.end) || range.end <= range.begin) {
      continue;
    }
    // Named files only: "[vdso]" and the like are the kernel's, anonymous
    // memory has nowhere to go back to.
    if (perms.size() != 4 || perms[0] != 'r' || perms[1] != '-') continue;
    if (path == std::string_view::npos || line[path] != '/') continue;
    ranges.push_back(range);
  }
  return ranges;
}

std::size_t releaseReadOnlyFilePages() {
  auto maps = readWholeFile("/proc/self/maps", kMapsLimit);
  if (!maps) return 0;
  std::size_t advised = 0;
  for (const AddressRange& range : readOnlyFileMappings(*maps)) {
    std::size_t length = range.end - range.begin;
    if (::madvise(reinterpret_cast<void*>(range.begin), length, MADV_PAGEOUT) == 0) {
      advised += length;
    }
  }
  return advised;
}

}  // namespace tellwick::os
