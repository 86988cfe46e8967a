// The HTTPS client against the real thing: a local server on 127.0.0.1 with a
// certificate made for the test. Nothing here leaves the loopback address.

#include <chrono>

#include <gmock/gmock.h>

#include "os/desktop/http_client.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_directory.h"

namespace tellwick::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

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
    ChildProcess process{{"/usr/bin/python3", std::string(TELLWICK_FIXTURES_DIR) + "/services/https_server.py", "--cert",
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

// Answers come back whatever their status; transport failures carry curl's
// reason, in time.
TEST_F(UpdateFetchTest, AnswersWhateverTheStatusOrCurlsReasonInTime) {
  const struct {
    std::string url;
    long status;  // 0: a transport failure
    std::string text;  // in the body, or the failure's reason as a pattern
  } cases[] = {
      {server().origin + "/redirect-to-https", 200, R"("version":"1.10")"},
      {server().origin + "/missing", 404, "Not Found"},
      {server().origin + "/echo-headers", 200, R"("Pragma": "no-cache")"},
      {server().origin + "/redirect-to-http", 0, "http"},
      {"http://" + server().origin.substr(8) + "/files/helper.json", 0, "http"},
      {server().origin + "/big", 0, "larger than 1048576 bytes"},
      {server().origin + "/slow", 0, "timed out|Timeout"},
  };
  for (const auto& c : cases) {
    auto started = std::chrono::steady_clock::now();
    auto response = c.status ? get(c.url) : get(c.url, 400ms);
    if (!c.status) {
      EXPECT_THAT(response.error(), ContainsRegex(c.text)) << c.url;
      EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << c.url;
      continue;
    }
    ASSERT_TRUE(response.ok()) << c.url << ": " << response.error();
    EXPECT_EQ(response->status, c.status) << c.url;
    EXPECT_THAT(response->body, HasSubstr(c.text)) << c.url;
  }
  caBundle_.reset();
  EXPECT_THAT(get(server().origin + "/files/helper.json").error(), HasSubstr("certificate"));
}

}  // namespace
}  // namespace tellwick::testing
