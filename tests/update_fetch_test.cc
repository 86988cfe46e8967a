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
using ::testing::AnyOf;
using ::testing::HasSubstr;

// A TCP socket on 127.0.0.1 that listens but never accepts: connections
// complete in the kernel and then hear nothing, not even a TLS greeting.
class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 4) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~SilentListener() { close(); }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
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

TEST_F(UpdateFetchTest, TransportFailuresCarryCurlsReason) {
  SilentListener closed;
  closed.close();
  SilentListener silent;
  const struct {
    std::string url;
    std::string reasonPart;
  } cases[] = {
      {server().origin + "/redirect-to-http", "http"},
      {"http://127.0.0.1:" + std::to_string(silent.port()) + "/files/helper.json", "http"},
      {server().origin + "/big", "larger than 1048576 bytes"},
      {"https://127.0.0.1:" + std::to_string(closed.port()) + "/files/helper.json", "onnect"},
  };
  for (const auto& c : cases) EXPECT_THAT(get(c.url).error(), HasSubstr(c.reasonPart)) << c.url;

  caBundle_.reset();
  EXPECT_THAT(get(server().origin + "/files/helper.json").error(), HasSubstr("certificate"));
}

TEST_F(UpdateFetchTest, ServersThatNeverAnswerAreGivenUpOnInTime) {
  SilentListener silent;
  for (const std::string& url : {"https://127.0.0.1:" + std::to_string(silent.port()) + "/files/helper.json",
                                  server().origin + "/slow"}) {
    auto started = std::chrono::steady_clock::now();
    auto response = get(url, 400ms);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_THAT(response.error(), AnyOf(HasSubstr("timed out"), HasSubstr("Timeout"))) << url;
    EXPECT_LT(took, 3s) << url;
  }
}

}  // namespace
}  // namespace tellwick::testing
