#pragma once

// A move-only owner of an OS handle. `Traits` names the handle type (`Handle`), its invalid
// value (`invalid()`), which values are handles (`valid()`) and the call that releases one
// (`close()`, whose result reset() hands back).

#include <utility>

namespace zub {

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  bool valid() const { return Traits::valid(handle_); }
  // Gives the handle up without releasing it.
  Handle release() { return std::exchange(handle_, Traits::invalid()); }
  // Releases the handle now, if there is one; the result of the release call.
  auto reset() {
    using Status = decltype(Traits::close(handle_));
    if (!valid()) return Status();
    return Traits::close(release());
  }

 private:
  Handle handle_ = Traits::invalid();
};

}  // namespace zub
