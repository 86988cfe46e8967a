#ifndef TELLWICK_KIT_BYTE_COUNT_FORMATTER_H_
#define TELLWICK_KIT_BYTE_COUNT_FORMATTER_H_

#include <cstdint>
#include <string>

namespace tellwick {

// How a byte count is scaled: `file` and `decimal` step by 1000 (the way
// disks and files are sized), `memory` and `binary` by 1024.
enum class ByteCountStyle {
  file,
  memory,
  decimal,
  binary,
};

// A byte count as a short English text in the largest unit it reaches:
// "Zero KB", "1 byte", "512 bytes", "2 KB", "1.5 MB", "12.3 GB". Kilobytes are
// whole; larger units carry one decimal unless it is zero. A value that rounds
// up to the next unit is shown in that unit ("1 MB", not "1000 KB"). Negative
// counts get a leading "-". Never fails; any thread.
std::string formatByteCount(std::int64_t count, ByteCountStyle style);

}  // namespace tellwick

#endif  // TELLWICK_KIT_BYTE_COUNT_FORMATTER_H_
