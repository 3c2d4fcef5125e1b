// A value, or why there is none: a failure cannot be made without its cause, and the cause
// travels with it instead of being asked for afterwards.
#ifndef VELMORA_SETUP_ENGINE_EXPECTED_H
#define VELMORA_SETUP_ENGINE_EXPECTED_H

#include <optional>
#include <string>
#include <utility>

namespace velmora {

struct Failure {
  std::string cause; // the system's or the other program's words, in one line
};

template <typename T> class [[nodiscard]] Expected {
public:
  Expected(T value) : value_(std::move(value)) {}
  Expected(Failure failure)
      : cause_(failure.cause.empty() ? "no reason given" : std::move(failure.cause)) {}

  explicit operator bool() const { return value_.has_value(); }
  const T &operator*() const { return *value_; }
  const T *operator->() const { return &*value_; }
  const std::string &cause() const { return cause_; }

private:
  std::optional<T> value_;
  std::string cause_;
};

// A change that returns nothing but whether it was made: `Outcome` holds Done or the cause.
struct Done {};
using Outcome = Expected<Done>;

} // namespace velmora

#endif
