#pragma once

// Results, not exceptions: an operation returns its value or an error of a small closed set.
// Like std::expected, without a bool conversion: callers ask has_value() or has_error().

#include <cstdlib>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace zub {

template <class E>
struct Failure {
  E error;
};

// fail(e) makes the error side of any Result whose error type can be built from e.
template <class E>
Failure<std::decay_t<E>> fail(E&& error) {
  return Failure<std::decay_t<E>>{std::forward<E>(error)};
}

template <class T, class E>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  template <class E2>
  Result(Failure<E2> failure)  // NOLINT: implicit by design
      : state_(std::in_place_index<1>, E(std::move(failure.error))) {}

  bool has_value() const { return state_.index() == 0; }
  bool has_error() const { return state_.index() == 1; }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  E& error() & { return std::get<1>(state_); }
  const E& error() const& { return std::get<1>(state_); }
  E&& error() && { return std::get<1>(std::move(state_)); }

  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

 private:
  std::variant<T, E> state_;
};

template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  template <class E2>
  Result(Failure<E2> failure) : error_(E(std::move(failure.error))) {}  // NOLINT: implicit by design

  bool has_value() const { return !error_.has_value(); }
  bool has_error() const { return error_.has_value(); }

  E& error() & { return *error_; }
  const E& error() const& { return *error_; }
  E&& error() && { return std::move(*error_); }

 private:
  std::optional<E> error_;
};

// The success value of Result<void, E>.
template <class E>
Result<void, E> ok() {
  return Result<void, E>();
}

}  // namespace zub
