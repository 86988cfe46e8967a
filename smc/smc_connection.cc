#include "smc/smc_connection.h"

#include "smc/data_types.h"
#include "smc/string_converter.h"

namespace tellwick {

void SmcConnection::openConnection() {
  if (connection_ != 0) return;
  os::ServiceHandle service = client_.getMatchingService(os::serviceMatching("AppleSMC"));
  if (service == 0) return;
  // The open's return code says nothing the handle does not: a failed open
  // leaves it 0.
  os::ConnectionHandle handle = 0;
  client_.open(service, 0, &handle);
  connection_ = handle;
  client_.release(service);
}

void SmcConnection::closeConnection() {
  if (connection_ == 0) return;
  client_.close(connection_);
  connection_ = 0;
}

std::optional<os::Parameters> SmcConnection::call(const os::Parameters& input) {
  timedOut_ = false;
  if (connection_ == 0) return std::nullopt;
  os::Parameters output{};
  std::size_t outputSize = sizeof output;
  os::KernReturn status = client_.callStructMethod(
      connection_, os::kSmcStructMethodSelector, &input, sizeof input, &output, &outputSize);
  timedOut_ = status == os::kIOReturnTimeout;
  if (status != os::kIOReturnSuccess) return std::nullopt;
  return output;
}

std::optional<SmcConnection::KeyInfo> SmcConnection::readKeyInfo(std::string_view key) {
  os::Parameters input{};
  input.key = StringConverter::fourCharCode(key);
  input.data8 = os::kSmcReadKeyInfo;
  auto output = call(input);
  if (!output || output->result != 0) return std::nullopt;
  return KeyInfo{output->keyInfo.dataSize, output->keyInfo.dataType};
}

std::optional<os::Parameters::Bytes> SmcConnection::readKeyBytes(std::string_view key,
                                                                 std::uint32_t dataSize) {
  os::Parameters input{};
  input.key = StringConverter::fourCharCode(key);
  input.keyInfo.dataSize = dataSize;
  input.data8 = os::kSmcReadKeyBytes;
  auto output = call(input);
  if (!output) return std::nullopt;
  return output->bytes;
}

std::optional<double> SmcConnection::readKeyValue(std::string_view key) {
  auto info = readKeyInfo(key);
  if (!info) return std::nullopt;
  auto bytes = readKeyBytes(key, info->dataSize);
  if (!bytes) return std::nullopt;
  return DataTypes::decode(info->dataType, bytes->bytes);
}

}  // namespace tellwick
