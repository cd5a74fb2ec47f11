// One owner for every kind of OS handle: the traits say what an empty handle
// is, which values are valid and how one is released. Portable, so that a
// portable class can own a handle whose traits live in its Windows half.
#pragma once

#include <utility>

namespace zp {

// Traits: `using Type`; `static Type Empty()`; `static bool Valid(Type)`;
// `static void Close(Type) noexcept`.
template <class Traits>
class TScopedHandleOf {
public:
  using Type = typename Traits::Type;

  TScopedHandleOf() = default;
  explicit TScopedHandleOf(Type handle) : handle_(handle) {}
  TScopedHandleOf(TScopedHandleOf&& other) noexcept : handle_(other.Release()) {}
  TScopedHandleOf& operator=(TScopedHandleOf&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TScopedHandleOf(const TScopedHandleOf&) = delete;
  TScopedHandleOf& operator=(const TScopedHandleOf&) = delete;
  ~TScopedHandleOf() { Reset(); }

  Type Get() const { return handle_; }
  bool Valid() const { return Traits::Valid(handle_); }
  explicit operator bool() const { return Valid(); }

  // Gives the handle up without releasing it.
  Type Release() { return std::exchange(handle_, Traits::Empty()); }
  // Releases the owned handle (when valid) and takes `handle`.
  void Reset(Type handle = Traits::Empty()) {
    const Type old = std::exchange(handle_, handle);
    if (Traits::Valid(old)) Traits::Close(old);
  }
  // For functions that hand a handle back through a pointer: releases the
  // owned one first, so a second call cannot leak the first handle.
  Type* Out() {
    Reset();
    return &handle_;
  }

private:
  Type handle_ = Traits::Empty();
};

}  // namespace zp
