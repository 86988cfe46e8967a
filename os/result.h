#ifndef TELLWICK_OS_RESULT_H_
#define TELLWICK_OS_RESULT_H_

#include <string>
#include <utility>
#include <variant>

namespace tellwick::os {

// Why an operation failed: one line, fit to print after the program's name.
struct Error {
  std::string message;
};

inline Error failure(std::string message) { return Error{std::move(message)}; }

// A value, or the reason there is none. Seams that can fail for a reason the
// caller reports return this; where the only outcome is "absent" they return
// std::optional instead.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // Only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  // Empty when ok().
  const std::string& error() const {
    static const std::string kNone;
    return ok() ? kNone : std::get<1>(state_).message;
  }

 private:
  std::variant<T, Error> state_;
};

// Success with nothing to hand back, or the reason for the failure.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error.message)), ok_(false) {}  // NOLINT

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
  std::string error_;
  bool ok_ = true;
};

using Status = Result<void>;

// "what: strerror(errnum)", the one way errno becomes a message.
std::string errnoMessage(const std::string& what, int errnum);

}  // namespace tellwick::os

#endif  // TELLWICK_OS_RESULT_H_
