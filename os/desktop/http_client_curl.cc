// The plain prototypes, so that the functions can be looked up by name.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdlib>
#include <optional>

#include "os/desktop/http_client.h"

namespace tellwick::os {
namespace {

// libcurl brings some thirty libraries (TLS, Kerberos, LDAP) whose loading
// took most of a tellwickctl run, so it is loaded the first time an address
// or a request needs it rather than when a program starts.
struct Curl {
  decltype(&curl_global_init) global_init;
  decltype(&curl_easy_init) easy_init;
  decltype(&curl_easy_setopt) easy_setopt;
  decltype(&curl_easy_perform) easy_perform;
  decltype(&curl_easy_getinfo) easy_getinfo;
  decltype(&curl_easy_cleanup) easy_cleanup;
  decltype(&curl_easy_strerror) easy_strerror;
  decltype(&curl_slist_append) slist_append;
  decltype(&curl_slist_free_all) slist_free_all;
  decltype(&curl_url) url;
  decltype(&curl_url_cleanup) url_cleanup;
  decltype(&curl_url_set) url_set;
  decltype(&curl_url_get) url_get;
  decltype(&curl_free) free;
};

constexpr const char* kMissingCurl = "libcurl (libcurl.so.4) cannot be loaded";

// Null when the library or one of its functions is missing.
const Curl* curl() {
  static const Curl* loaded = []() -> const Curl* {
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static Curl c;
    bool complete = true;
    auto bind = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
      complete = complete && function;
    };
    bind(c.global_init, "curl_global_init");
    bind(c.easy_init, "curl_easy_init");
    bind(c.easy_setopt, "curl_easy_setopt");
    bind(c.easy_perform, "curl_easy_perform");
    bind(c.easy_getinfo, "curl_easy_getinfo");
    bind(c.easy_cleanup, "curl_easy_cleanup");
    bind(c.easy_strerror, "curl_easy_strerror");
    bind(c.slist_append, "curl_slist_append");
    bind(c.slist_free_all, "curl_slist_free_all");
    bind(c.url, "curl_url");
    bind(c.url_cleanup, "curl_url_cleanup");
    bind(c.url_set, "curl_url_set");
    bind(c.url_get, "curl_url_get");
    bind(c.free, "curl_free");
    if (!complete || c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
    return &c;
  }();
  return loaded;
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
  explicit CurlUrl(const Curl& curl) : curl_(curl), url_(curl.url()) {}
  CurlUrl(const CurlUrl&) = delete;
  CurlUrl& operator=(const CurlUrl&) = delete;
  ~CurlUrl() { curl_.url_cleanup(url_); }

  bool parse(const std::string& text) {
    return url_ && curl_.url_set(url_, CURLUPART_URL, text.c_str(), 0) == CURLUE_OK;
  }
  std::optional<std::string> part(CURLUPart which) const {
    char* value = nullptr;
    if (curl_.url_get(url_, which, &value, 0) != CURLUE_OK || !value) return std::nullopt;
    std::string text(value);
    curl_.free(value);
    return text;
  }

 private:
  const Curl& curl_;
  CURLU* url_;
};

class CurlHttpClient final : public HttpClient {
 public:
  Result<HttpResponse> get(const HttpRequest& request) override {
    const Curl* api = os::curl();
    if (!api) return failure(kMissingCurl);
    CURL* curl = api->easy_init();
    if (!curl) return failure("cannot set up an HTTP request");
    curl_slist* headers = nullptr;
    for (const auto& h : request.headers) headers = api->slist_append(headers, h.c_str());
    Body body;
    body.limit = request.maxBodyBytes;
    char message[CURL_ERROR_SIZE] = {};
    long timeoutMs = static_cast<long>(request.timeout.count());

    api->easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    api->easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    api->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
    api->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    api->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    api->easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    api->easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    api->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    // Signals would reach whatever thread the caller runs this on.
    api->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api->easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    api->easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    api->easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    api->easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    api->easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    api->easy_setopt(curl, CURLOPT_USERAGENT, "tellwick");
    if (const char* authorities = std::getenv("CURL_CA_BUNDLE"); authorities && *authorities) {
      api->easy_setopt(curl, CURLOPT_CAINFO, authorities);
      // The file replaces the system's authorities: Debian's libcurl would
      // still consult its certificate folder beside any bundle.
      api->easy_setopt(curl, CURLOPT_CAPATH, static_cast<const char*>(nullptr));
    }

    CURLcode code = api->easy_perform(curl);
    long status = 0;
    api->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    api->slist_free_all(headers);
    api->easy_cleanup(curl);

    if (body.overflowed) {
      return failure("the answer is larger than " + std::to_string(request.maxBodyBytes) + " bytes");
    }
    if (code != CURLE_OK) return failure(message[0] ? message : api->easy_strerror(code));
    return HttpResponse{status, std::move(body.bytes)};
  }
};

}  // namespace

std::unique_ptr<HttpClient> newLinuxHttpClient() { return std::make_unique<CurlHttpClient>(); }

bool isWebAddress(const std::string& address) {
  const Curl* api = curl();
  if (!api) return false;
  CurlUrl url(*api);
  if (!url.parse(address)) return false;
  auto scheme = url.part(CURLUPART_SCHEME);
  auto host = url.part(CURLUPART_HOST);
  return scheme && (*scheme == "http" || *scheme == "https") && host && !host->empty();
}

Result<std::string> httpsOrigin(const std::string& origin) {
  const Curl* api = curl();
  if (!api) return failure(kMissingCurl);
  CurlUrl url(*api);
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
