#ifndef TELLWICK_OS_SENSORS_SMC_USER_CLIENT_H_
#define TELLWICK_OS_SENSORS_SMC_USER_CLIENT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tellwick::os {

class HwmonWatch;

// The fixed 80-byte block that crosses the user-client boundary, both ways,
// in host byte order with natural alignment. The gaps the compiler leaves
// between fields are part of the wire layout; nothing is stored in them.
struct Parameters {
  struct Version {
    std::uint8_t major;
    std::uint8_t minor;
    std::uint8_t build;
    std::uint8_t reserved;
    std::uint8_t release;
  };
  struct LimitData {
    std::uint16_t version;
    std::uint16_t length;
    std::uint32_t cpuLimit;
    std::uint32_t gpuLimit;
    std::uint32_t memLimit;
  };
  // Nine bytes: the block's next field follows at 38, not after tail
  // padding, so the record is packed and aligned where it is placed.
  struct __attribute__((packed)) KeyInfo {
    std::uint32_t dataSize;  // number of meaningful bytes in `bytes`
    std::uint32_t dataType;  // four characters packed big-endian, e.g. "flt "
    std::uint8_t dataAttributes;
  };
  struct Bytes {
    std::array<std::uint8_t, 32> bytes;
  };

  std::uint32_t key;
  Version version;
  LimitData limitData;
  alignas(4) KeyInfo keyInfo;
  std::uint16_t padding;
  std::uint8_t result;  // 0 = success
  std::uint8_t status;
  std::uint8_t data8;  // command code on a request
  std::uint32_t data32;
  Bytes bytes;
};

static_assert(sizeof(Parameters) == 80);
static_assert(sizeof(Parameters::Version) == 5);
static_assert(sizeof(Parameters::LimitData) == 16);
static_assert(sizeof(Parameters::Bytes) == 32);
static_assert(offsetof(Parameters, key) == 0);
static_assert(offsetof(Parameters, version) == 4);
static_assert(offsetof(Parameters, limitData) == 12);
static_assert(offsetof(Parameters, keyInfo) == 28);
static_assert(offsetof(Parameters, padding) == 38);
static_assert(offsetof(Parameters, result) == 40);
static_assert(offsetof(Parameters, status) == 41);
static_assert(offsetof(Parameters, data8) == 42);
static_assert(offsetof(Parameters, data32) == 44);
static_assert(offsetof(Parameters, bytes) == 48);
static_assert(offsetof(Parameters::Version, release) == 4);
static_assert(offsetof(Parameters::LimitData, length) == 2);
static_assert(offsetof(Parameters::LimitData, cpuLimit) == 4);
static_assert(offsetof(Parameters::LimitData, gpuLimit) == 8);
static_assert(offsetof(Parameters::LimitData, memLimit) == 12);
static_assert(offsetof(Parameters::KeyInfo, dataType) == 4);
static_assert(offsetof(Parameters::KeyInfo, dataAttributes) == 8);
static_assert(sizeof(Parameters::KeyInfo) == 9);

// Return codes of the user-client calls (the kernel's values).
using KernReturn = std::int32_t;
inline constexpr KernReturn kIOReturnSuccess = 0;
inline constexpr KernReturn kIOReturnError = static_cast<KernReturn>(0xE00002BC);
inline constexpr KernReturn kIOReturnNoDevice = static_cast<KernReturn>(0xE00002C0);
inline constexpr KernReturn kIOReturnBadArgument = static_cast<KernReturn>(0xE00002C2);
inline constexpr KernReturn kIOReturnNotOpen = static_cast<KernReturn>(0xE00002CD);
inline constexpr KernReturn kIOReturnTimeout = static_cast<KernReturn>(0xE00002D6);

// The one structure method, its two commands, and the controller's answer
// for a key it does not hold.
inline constexpr std::uint32_t kSmcStructMethodSelector = 2;
inline constexpr std::uint8_t kSmcReadKeyInfo = 9;
inline constexpr std::uint8_t kSmcReadKeyBytes = 5;
inline constexpr std::uint8_t kSmcResultKeyNotFound = 0x84;

// Handles as the kernel hands them out; 0 means none.
using ServiceHandle = std::uint32_t;
using ConnectionHandle = std::uint32_t;

// What a service lookup matches on: the service's class name.
struct MatchingDictionary {
  std::string className;
};
inline MatchingDictionary serviceMatching(std::string className) {
  return MatchingDictionary{std::move(className)};
}

// The system-management controller's kernel user client: find the service,
// open connections to it, run the structure method on a connection. Several
// connections may be open at once, each independent of the others and each
// used by one thread at a time; different connections may be used from
// different threads at once.
class SmcUserClient {
 public:
  SmcUserClient() = default;
  SmcUserClient(const SmcUserClient&) = delete;
  SmcUserClient& operator=(const SmcUserClient&) = delete;
  virtual ~SmcUserClient() = default;

  // The first service matching the dictionary, or 0 when there is none.
  virtual ServiceHandle getMatchingService(const MatchingDictionary& matching) = 0;

  // Opens a connection of the given type to service. On success stores a
  // non-zero handle in *connection and returns kIOReturnSuccess; on failure
  // returns an error and leaves *connection unchanged.
  virtual KernReturn open(ServiceHandle service, std::uint32_t type,
                          ConnectionHandle* connection) = 0;

  // Drops the caller's reference to a service; open connections stay open.
  virtual void release(ServiceHandle service) = 0;

  // Runs structure method `selector` on connection with an input block of
  // inputSize bytes. *outputSize holds the output buffer's capacity on entry
  // and the bytes written on return. Returns an error (and writes nothing)
  // for a connection that is not open, an unknown selector or sizes that are
  // not those of Parameters. A key the controller does not know is not an
  // error of a key-info call: the reply's `result` says so. A byte read of a
  // key whose value cannot be had may fail the call instead, and either call
  // fails with kIOReturnTimeout when the value did not come in time.
  virtual KernReturn callStructMethod(ConnectionHandle connection, std::uint32_t selector,
                                      const void* input, std::size_t inputSize, void* output,
                                      std::size_t* outputSize) = 0;

  // Closes connection; kIOReturnNotOpen when it was not open.
  virtual KernReturn close(ConnectionHandle connection) = 0;
};

// The controller as Linux exposes it in sysfs below sysfsRoot: the applesmc
// platform device and hwmon chips that report fans, answering "FNum", the
// per-fan keys and applesmc's temperature keys. Reads only, each waited for
// a bounded time (see BoundedReads). The fans are listed again for an "FNum"
// read when watch (which must outlive the client) has seen chips come or
// go, or, without one, for every "FNum" read. Never fails to build (with
// nothing to read, getMatchingService returns 0).
std::unique_ptr<SmcUserClient> newLinuxSmcUserClient(std::string sysfsRoot = "/sys",
                                                     const HwmonWatch* watch = nullptr);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_SENSORS_SMC_USER_CLIENT_H_
