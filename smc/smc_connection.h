#ifndef TELLWICK_SMC_SMC_CONNECTION_H_
#define TELLWICK_SMC_SMC_CONNECTION_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "os/sensors/smc_user_client.h"

namespace tellwick {

// One connection to the "AppleSMC" service and the reads made over it. Each
// controller owns one, so two controllers never share a handle. Reads only:
// no key is ever written and the key table is never enumerated. Not
// thread-safe; used by one thread at a time, the one that samples.
class SmcConnection {
 public:
  struct KeyInfo {
    std::uint32_t dataSize;
    std::uint32_t dataType;
  };

  // Does not open; call openConnection. client must outlive this object.
  explicit SmcConnection(os::SmcUserClient& client) : client_(client) {}
  SmcConnection(const SmcConnection&) = delete;
  SmcConnection& operator=(const SmcConnection&) = delete;
  // Closes the connection if it is open.
  ~SmcConnection() { closeConnection(); }

  // Opens the first "AppleSMC" service. With no service, or when the open
  // fails, `connection` stays 0 and every read is absent for good: there is
  // no reconnect.
  void openConnection();
  void closeConnection();

  // Size and type of key; absent when the call fails or the controller
  // reports a non-zero result (for instance an unknown key).
  std::optional<KeyInfo> readKeyInfo(std::string_view key);
  // All 32 value bytes of key, of which the first dataSize carry the value;
  // absent only when the call itself fails (the reply's result is not
  // examined on this command).
  std::optional<os::Parameters::Bytes> readKeyBytes(std::string_view key, std::uint32_t dataSize);
  // readKeyInfo, readKeyBytes, then decoding by the key's type; absent when
  // any step is.
  std::optional<double> readKeyValue(std::string_view key);

  // Whether the last call failed because its value did not come in time.
  bool timedOut() const { return timedOut_; }

  os::ConnectionHandle connection() const { return connection_; }

 private:
  std::optional<os::Parameters> call(const os::Parameters& input);

  os::SmcUserClient& client_;
  os::ConnectionHandle connection_ = 0;
  bool timedOut_ = false;
};

}  // namespace tellwick

#endif  // TELLWICK_SMC_SMC_CONNECTION_H_
