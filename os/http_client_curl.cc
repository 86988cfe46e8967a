#include <curl/curl.h>

#include <cstdlib>
#include <mutex>
#include <optional>

#include "os/http_client.h"

namespace tellwick::os {
namespace {

void initializeCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Body {
  std::string bytes;
  std::size_t limit = 0;
  bool overflowed = false;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* userdata) {
  auto* body = static_cast<Body*>(userdata);
  std::size_t n = size * count;
  if (body->bytes.size() + n > body->limit) {
    body->overflowed = true;
    return 0;  // makes curl stop with a write error
  }
  body->bytes.append(data, n);
  return n;
}

class CurlUrl {
 public:
  CurlUrl() : url_(curl_url()) {}
  CurlUrl(const CurlUrl&) = delete;
  CurlUrl& operator=(const CurlUrl&) = delete;
  ~CurlUrl() { curl_url_cleanup(url_); }

  bool parse(const std::string& text) {
    return url_ && curl_url_set(url_, CURLUPART_URL, text.c_str(), 0) == CURLUE_OK;
  }
  std::optional<std::string> part(CURLUPart which) const {
    char* value = nullptr;
    if (curl_url_get(url_, which, &value, 0) != CURLUE_OK || !value) return std::nullopt;
    std::string text(value);
    curl_free(value);
    return text;
  }

 private:
  CURLU* url_;
};

class CurlHttpClient final : public HttpClient {
 public:
  CurlHttpClient() { initializeCurlOnce(); }

  Result<HttpResponse> get(const HttpRequest& request) override {
    CURL* curl = curl_easy_init();
    if (!curl) return failure("cannot set up an HTTP request");
    curl_slist* headers = nullptr;
    for (const auto& h : request.headers) headers = curl_slist_append(headers, h.c_str());
    Body body;
    body.limit = request.maxBodyBytes;
    char message[CURL_ERROR_SIZE] = {};
    long timeoutMs = static_cast<long>(request.timeout.count());

    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    // Signals would reach whatever thread the caller runs this on.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "tellwick");
    if (const char* authorities = std::getenv("CURL_CA_BUNDLE"); authorities && *authorities) {
      curl_easy_setopt(curl, CURLOPT_CAINFO, authorities);
    }

    CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);

    if (body.overflowed) {
      return failure("the answer is larger than " + std::to_string(request.maxBodyBytes) + " bytes");
    }
    if (code != CURLE_OK) return failure(message[0] ? message : curl_easy_strerror(code));
    return HttpResponse{status, std::move(body.bytes)};
  }
};

}  // namespace

std::unique_ptr<HttpClient> newLinuxHttpClient() { return std::make_unique<CurlHttpClient>(); }

bool isWebAddress(const std::string& address) {
  CurlUrl url;
  if (!url.parse(address)) return false;
  auto scheme = url.part(CURLUPART_SCHEME);
  auto host = url.part(CURLUPART_HOST);
  return scheme && (*scheme == "http" || *scheme == "https") && host && !host->empty();
}

Result<std::string> httpsOrigin(const std::string& origin) {
  CurlUrl url;
  if (!url.parse(origin)) return failure("'" + origin + "' is not an address");
  auto scheme = url.part(CURLUPART_SCHEME);
  if (!scheme || *scheme != "https") return failure("'" + origin + "' is not an https:// address");
  auto host = url.part(CURLUPART_HOST);
  if (!host || host->empty()) return failure("'" + origin + "' names no host");
  auto path = url.part(CURLUPART_PATH);
  if (url.part(CURLUPART_USER) || url.part(CURLUPART_QUERY) || url.part(CURLUPART_FRAGMENT) ||
      (path && *path != "/" && !path->empty())) {
    return failure("'" + origin + "' is more than an origin (https://host[:port])");
  }
  std::string text = "https://" + *host;
  if (auto port = url.part(CURLUPART_PORT)) text += ":" + *port;
  return text;
}

}  // namespace tellwick::os
