#ifndef TELLWICK_TESTS_FAKES_EMULATED_SMC_H_
#define TELLWICK_TESTS_FAKES_EMULATED_SMC_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "os/sensors/smc_user_client.h"
#include "smc/string_converter.h"

namespace tellwick::testing {

// An in-memory controller: a table of (key, type, bytes) answering the two
// read commands as the hardware does. Tests change the table, flip fault
// switches and read the counters between calls.
class EmulatedSmc final : public os::SmcUserClient {
 public:
  struct Entry {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    // What the controller puts in `result` when the bytes are read.
    std::uint8_t readResult = 0;
  };

  static constexpr os::ServiceHandle kService = 0x5C;

  // Keys are names of up to four characters; type is a name like "sp78".
  void set(std::string_view key, std::string_view type, std::vector<std::uint8_t> bytes) {
    keys_[StringConverter::fourCharCode(key)] =
        Entry{StringConverter::fourCharCode(type), std::move(bytes)};
  }
  void setFloat(std::string_view key, float value) {
    std::uint8_t raw[4];
    std::memcpy(raw, &value, 4);  // the hosts this runs on are little-endian, as is "flt "
    set(key, "flt ", {raw[0], raw[1], raw[2], raw[3]});
  }
  void setReadResult(std::string_view key, std::uint8_t result) {
    keys_.at(StringConverter::fourCharCode(key)).readResult = result;
  }
  void erase(std::string_view key) { keys_.erase(StringConverter::fourCharCode(key)); }

  // Fault switches.
  bool hasService = true;
  bool failOpen = false;
  bool failCalls = false;        // every structure-method call returns an error
  bool failByteReads = false;    // only command 5 calls do
  std::set<std::string> timeOut;  // keys whose values do not come in time

  // Counters.
  int calls = 0;
  int closes = 0;
  std::vector<std::string> keysRead;  // key of every call, in order

  std::size_t openConnections() const { return open_.size(); }
  int callsFor(std::string_view key) const {
    return static_cast<int>(std::count(keysRead.begin(), keysRead.end(), key));
  }

  os::ServiceHandle getMatchingService(const os::MatchingDictionary& matching) override {
    return hasService && matching.className == "AppleSMC" ? kService : 0;
  }

  os::KernReturn open(os::ServiceHandle service, std::uint32_t type,
                      os::ConnectionHandle* connection) override {
    if (failOpen || service != kService || type != 0) return os::kIOReturnError;
    *connection = next_++;
    open_.insert(*connection);
    return os::kIOReturnSuccess;
  }

  void release(os::ServiceHandle) override {}

  os::KernReturn callStructMethod(os::ConnectionHandle connection, std::uint32_t selector,
                                  const void* input, std::size_t inputSize, void* output,
                                  std::size_t* outputSize) override {
    ++calls;
    if (!open_.contains(connection)) return os::kIOReturnNotOpen;
    if (selector != os::kSmcStructMethodSelector || inputSize != sizeof(os::Parameters) ||
        !outputSize || *outputSize < sizeof(os::Parameters)) {
      return os::kIOReturnBadArgument;
    }
    os::Parameters in;
    std::memcpy(&in, input, sizeof in);
    keysRead.push_back(name(in.key));
    if (failCalls) return os::kIOReturnError;
    if (timeOut.contains(name(in.key))) return os::kIOReturnTimeout;

    os::Parameters out{};
    auto it = keys_.find(in.key);
    switch (in.data8) {
      case os::kSmcReadKeyInfo:
        if (it == keys_.end()) {
          out.result = os::kSmcResultKeyNotFound;
        } else {
          out.keyInfo.dataSize = static_cast<std::uint32_t>(it->second.bytes.size());
          out.keyInfo.dataType = it->second.type;
        }
        break;
      case os::kSmcReadKeyBytes:
        if (failByteReads) return os::kIOReturnError;
        if (it == keys_.end()) {
          out.result = os::kSmcResultKeyNotFound;
        } else {
          out.result = it->second.readResult;
          std::size_t n = std::min<std::size_t>({it->second.bytes.size(), in.keyInfo.dataSize,
                                                 out.bytes.bytes.size()});
          std::memcpy(out.bytes.bytes.data(), it->second.bytes.data(), n);
        }
        break;
      default:
        return os::kIOReturnBadArgument;
    }
    std::memcpy(output, &out, sizeof out);
    *outputSize = sizeof out;
    return os::kIOReturnSuccess;
  }

  os::KernReturn close(os::ConnectionHandle connection) override {
    ++closes;
    return open_.erase(connection) ? os::kIOReturnSuccess : os::kIOReturnNotOpen;
  }

 private:
  static std::string name(std::uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
      if (char c = static_cast<char>(code >> shift)) s.push_back(c);
    }
    return s;
  }

  std::map<std::uint32_t, Entry> keys_;
  std::set<os::ConnectionHandle> open_;
  os::ConnectionHandle next_ = 1;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_EMULATED_SMC_H_
