// The one owner of a system handle: it closes the handle with `Close` when
// it goes, on every path, once. Move-only, so that a handle has exactly one
// owner. Each kind of handle is one line over it:
//
//   using RegKey = UniqueHandle<HKEY, &::RegCloseKey>;
//
// `Close` is any function, or function pointer, that takes the handle. A
// handle that compares equal to a value-initialised one (null) is none and
// is never closed.
#pragma once

#include <utility>

namespace varnholt {

template <typename Handle, auto Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, Handle{}));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }

  // Closes the handle held, if any, and holds `handle` instead.
  void Reset(Handle handle = Handle{}) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Handle{}) Close(old);
  }

 private:
  Handle handle_{};
};

}  // namespace varnholt
