#ifndef TELLWICK_TESTS_FAKES_FAKE_HTTP_CLIENT_H_
#define TELLWICK_TESTS_FAKES_FAKE_HTTP_CLIENT_H_

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "os/desktop/http_client.h"

namespace tellwick::testing {

// Answers every request with one canned response or transport failure, and
// records the requests. Safe to call from the worker threads the client
// operations use.
class FakeHttpClient final : public os::HttpClient {
 public:
  void respond(long status, std::string body) {
    std::lock_guard lock(mutex_);
    response_ = os::HttpResponse{status, std::move(body)};
    failure_.reset();
  }
  void fail(std::string message) {
    std::lock_guard lock(mutex_);
    failure_ = std::move(message);
  }
  std::vector<os::HttpRequest> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

  os::Result<os::HttpResponse> get(const os::HttpRequest& request) override {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    if (failure_) return os::failure(*failure_);
    return response_;
  }

 private:
  mutable std::mutex mutex_;
  os::HttpResponse response_{404, ""};
  std::optional<std::string> failure_;
  std::vector<os::HttpRequest> requests_;
};

}  // namespace tellwick::testing

#endif  // TELLWICK_TESTS_FAKES_FAKE_HTTP_CLIENT_H_
