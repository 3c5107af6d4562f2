#pragma once
// Move-only owners for the Win32 objects made for one drawing or one
// operation. Declare the object before the guard that selects it, so it is
// deselected before it is deleted.
#include <windows.h>

#include <utility>

namespace raii {

template <typename T, typename Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T value) : value_(value) {}
  ~Owned() { Reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : value_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  T Get() const { return value_; }
  explicit operator bool() const { return Traits::IsValid(value_); }
  T Release() { return std::exchange(value_, Traits::Invalid()); }
  void Reset(T value = Traits::Invalid()) {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Invalid();
};

template <typename T>
struct GdiTraits {
  static T Invalid() { return nullptr; }
  static bool IsValid(T v) { return v != nullptr; }
  static void Close(T v) { ::DeleteObject(v); }
};
struct MemDcTraits {
  static HDC Invalid() { return nullptr; }
  static bool IsValid(HDC v) { return v != nullptr; }
  static void Close(HDC v) { ::DeleteDC(v); }
};
struct HandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE v) { return v != nullptr && v != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE v) { ::CloseHandle(v); }
};

using Bitmap = Owned<HBITMAP, GdiTraits<HBITMAP>>;
using Brush = Owned<HBRUSH, GdiTraits<HBRUSH>>;
using Font = Owned<HFONT, GdiTraits<HFONT>>;
using MemDc = Owned<HDC, MemDcTraits>;
using Handle = Owned<HANDLE, HandleTraits>;

// GetDC / ReleaseDC. A null window is the screen.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// SelectObject, and the old object selected back at scope end.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (dc_ && old_) ::SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() {
    if (armed_) f_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  void Dismiss() { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
};

}  // namespace raii
