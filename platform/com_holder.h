// An owning holder of one COM interface reference, usable from the portable code. The interface
// types stay incomplete here; whoever attaches a pointer also supplies the function that releases
// it (IUnknown::Release on Windows, a recording stand-in in the native tests).
#pragma once

#include <utility>

template <class Interface>
class ComHolder {
 public:
  using ReleaseFunction = void (*)(Interface*);

  ComHolder() = default;
  ComHolder(const ComHolder&) = delete;
  ComHolder& operator=(const ComHolder&) = delete;
  ComHolder(ComHolder&& other) noexcept
      : pointer_(std::exchange(other.pointer_, nullptr)), release_(other.release_) {}
  ComHolder& operator=(ComHolder&& other) noexcept {
    if (this != &other) {
      reset();
      release_ = other.release_;
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComHolder() { reset(); }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // Takes over one reference. The old one, if any, is released first.
  void attach(Interface* pointer, ReleaseFunction release) {
    reset();
    release_ = release;
    pointer_ = pointer;
  }

  // For creation functions with an out-parameter: releases what is held and returns the empty
  // slot, with `release` as the function the new reference will be released with.
  Interface** put(ReleaseFunction release) {
    reset();
    release_ = release;
    return &pointer_;
  }

  // The field is cleared before Release runs, so nothing reached from Release can find a
  // pointer to a released object here.
  void reset() {
    Interface* old = std::exchange(pointer_, nullptr);
    if (old != nullptr) {
      release_(old);
    }
  }

 private:
  Interface* pointer_ = nullptr;
  ReleaseFunction release_ = nullptr;
};
