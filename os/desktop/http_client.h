#ifndef TELLWICK_OS_DESKTOP_HTTP_CLIENT_H_
#define TELLWICK_OS_DESKTOP_HTTP_CLIENT_H_

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "os/result.h"

namespace tellwick::os {

struct HttpRequest {
  std::string url;                   // https:// only
  std::vector<std::string> headers;  // "Name: value"
  std::chrono::milliseconds timeout{10'000};  // the whole exchange
  std::size_t maxBodyBytes = 1 << 20;
};

struct HttpResponse {
  long status = 0;
  std::string body;
};

// One GET over HTTPS at a time per call, each with a connection of its own:
// no cookies, no reuse of connections or credentials between calls.
// Redirects are followed to https:// addresses only. Blocks for at most the
// request's timeout; calls from several threads at once are independent.
class HttpClient {
 public:
  HttpClient() = default;
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;
  virtual ~HttpClient() = default;

  // The response whatever its status. Fails with the transport's reason
  // (address not https://, no connection, certificate refused, timeout, a
  // body over maxBodyBytes).
  virtual Result<HttpResponse> get(const HttpRequest& request) = 0;
};

// libcurl (library tellwick_os_desktop). Trusts the system's certificate
// authorities, or only those of the file named by CURL_CA_BUNDLE, read on
// every call.
std::unique_ptr<HttpClient> newLinuxHttpClient();

// Whether address parses as an absolute http:// or https:// address with a
// host (libcurl's URL parser). Pure; any thread.
bool isWebAddress(const std::string& address);

// origin as "https://host[:port]" without a trailing slash, when it is an
// https:// address with a host and nothing after the authority but an
// optional "/"; otherwise fails saying what is wrong. Pure; any thread.
Result<std::string> httpsOrigin(const std::string& origin);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_DESKTOP_HTTP_CLIENT_H_
