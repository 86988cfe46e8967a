#ifndef TELLWICK_OS_SENSORS_ATTRIBUTE_FILES_H_
#define TELLWICK_OS_SENSORS_ATTRIBUTE_FILES_H_

// For the Linux sensor implementations only: sysfs attributes read again and
// again, each kept open between readings.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "os/posix_file.h"

namespace tellwick::os {

// Reads a sysfs attribute whole. Absent when the file is missing, the driver
// refuses the read (ENODATA, EIO, ENXIO from a chip that is going away) or it
// is longer than any attribute: to a reader of keys that is a missing value,
// not an error. sysfs hands an attribute (a page at most) over in the first
// read, as a regular file of a test tree does when the read comes up short,
// so one read is all there is; a second would only see the end.
std::optional<std::string> readAttribute(const std::string& path);

// The attributes a sampler reads every time, kept open: a read at offset 0
// has sysfs produce the value afresh, so each reading is one pread where an
// open, a read and a close were three system calls. A kept file that fails
// (ENODEV once its chip is gone) is opened again by path, once;
// forgetUnless() closes them all, for chips that came or went. At most maxKept are kept;
// past that, attributes are read as readAttribute does. Any thread.
class AttributeFiles {
 public:
  explicit AttributeFiles(std::size_t maxKept = 256) : maxKept_(maxKept) {}
  AttributeFiles(const AttributeFiles&) = delete;
  AttributeFiles& operator=(const AttributeFiles&) = delete;

  // As readAttribute(path).
  std::optional<std::string> read(const std::string& path);

  // Closes every file kept when generation differs from the last one given
  // (a count of chip changes); the first call only records it.
  void forgetUnless(std::uint64_t generation);

  std::size_t kept() const;

 private:
  const std::size_t maxKept_;
  mutable std::mutex mutex_;
  std::optional<std::uint64_t> generation_;
  // Shared, so that a reading in progress keeps its file open while another
  // thread forgets it.
  std::unordered_map<std::string, std::shared_ptr<const FileDescriptor>> kept_;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_SENSORS_ATTRIBUTE_FILES_H_
