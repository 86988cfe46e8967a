// The HTTPS client against the real thing: a local server on 127.0.0.1 with a
// certificate made for the test, a listener that never answers and a closed
// port. Nothing here leaves the loopback address.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include <gmock/gmock.h>

#include "os/http_client.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

// A TCP socket on 127.0.0.1 that listens but never accepts: connections
// complete in the kernel and then hear nothing, not even a TLS greeting.
// Closed, its port is one where nothing listens.
struct SilentListener {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int port = 0;
  SilentListener() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 4) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port = ntohs(address.sin_port);
    }
  }
  ~SilentListener() { ::close(fd); }
};

class UpdateFetchTest : public ::testing::Test {
 protected:
  // One key pair and one server for the suite; the server leaves when its
  // standard input closes.
  struct Server {
    ScratchDirectory keys{"tellwick-tls"};
    std::optional<int> openssl =
        ChildProcess({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                      "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                      "-keyout", keys.string() + "/key.pem", "-out", keys.string() + "/cert.pem"},
                     {"PATH=/usr/bin:/bin"})
            .wait(30s);
    ChildProcess process{{"/usr/bin/python3", std::string(TELLWICK_FIXTURES_DIR) + "/https_server.py", "--cert",
                          keys.string() + "/cert.pem", "--key", keys.string() + "/key.pem", "--manifest",
                          keys.writeFile("manifest.json", R"({"version":"1.10","notes":"faster"})").string()},
                         {"PATH=/usr/bin:/bin"}};
    std::string port = process.readLine(10s).value_or("");
    std::string origin = port.starts_with("PORT ") ? "https://127.0.0.1:" + port.substr(5) : "";
    ~Server() { process.closeStdin(); }
  };
  static Server& server() {
    static Server server;
    return server;
  }

  void SetUp() override { ASSERT_FALSE(server().origin.empty()); }

  os::Result<os::HttpResponse> get(const std::string& url, std::chrono::milliseconds timeout = 5s) {
    os::HttpRequest request;
    request.url = url;
    request.timeout = timeout;
    request.headers = {"Cache-Control: no-cache", "Pragma: no-cache"};
    return http_->get(request);
  }

  std::optional<ScopedEnvironmentVariable> caBundle_{std::in_place, "CURL_CA_BUNDLE",
                                                     server().keys.string() + "/cert.pem"};
  std::unique_ptr<os::HttpClient> http_ = os::newLinuxHttpClient();
};

TEST_F(UpdateFetchTest, AnswersAreReturnedWhateverTheirStatus) {
  const struct {
    std::string url;
    long status;
    std::string bodyPart;
  } cases[] = {
      {server().origin + "/files/helper.json", 200, R"("version":"1.10")"},
      {server().origin + "/redirect-to-https", 200, R"("version":"1.10")"},
      {server().origin + "/missing", 404, "Not Found"},
      {server().origin + "/echo-headers", 200, R"("Pragma": "no-cache")"},
  };
  for (const auto& c : cases) {
    auto response = get(c.url);
    ASSERT_TRUE(response.ok()) << c.url << ": " << response.error();
    EXPECT_EQ(response->status, c.status) << c.url;
    EXPECT_THAT(response->body, HasSubstr(c.bodyPart)) << c.url;
  }
}

TEST_F(UpdateFetchTest, TransportFailuresCarryCurlsReasonInTime) {
  SilentListener closed;
  ::shutdown(closed.fd, SHUT_RDWR);
  SilentListener silent;
  const std::string silentPort = "127.0.0.1:" + std::to_string(silent.port);
  const struct {
    std::string url;
    const char* reason;
  } cases[] = {
      {server().origin + "/redirect-to-http", "http"},
      {"http://" + silentPort + "/files/helper.json", "http"},
      {server().origin + "/big", "larger than 1048576 bytes"},
      {"https://127.0.0.1:" + std::to_string(closed.port) + "/files/helper.json", "onnect"},
      {"https://" + silentPort + "/files/helper.json", "timed out|Timeout"},
      {server().origin + "/slow", "timed out|Timeout"},
  };
  for (const auto& c : cases) {
    auto started = std::chrono::steady_clock::now();
    EXPECT_THAT(get(c.url, 400ms).error(), ContainsRegex(c.reason)) << c.url;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << c.url;
  }
  caBundle_.reset();
  EXPECT_THAT(get(server().origin + "/files/helper.json").error(), HasSubstr("certificate"));
}

}  // namespace
}  // namespace tellwick::testing
