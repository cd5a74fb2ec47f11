// Scoped owners of window handles, device contexts and GDI objects. Each one
// releases exactly what it was given, once, and is movable but not copyable.
#pragma once

#include <windows.h>

#include <utility>

namespace zp {

// A GDI object (font, brush, pen, bitmap) released with DeleteObject.
template <typename H>
class TScopedGdiObj {
public:
  TScopedGdiObj() = default;
  explicit TScopedGdiObj(H handle) : handle_(handle) {}
  TScopedGdiObj(TScopedGdiObj&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  TScopedGdiObj& operator=(TScopedGdiObj&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  TScopedGdiObj(const TScopedGdiObj&) = delete;
  TScopedGdiObj& operator=(const TScopedGdiObj&) = delete;
  ~TScopedGdiObj() { Reset(); }

  H Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(H handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }

private:
  H handle_ = nullptr;
};

using TScopedFont = TScopedGdiObj<HFONT>;
using TScopedBrush = TScopedGdiObj<HBRUSH>;
using TScopedPen = TScopedGdiObj<HPEN>;
using TScopedBitmap = TScopedGdiObj<HBITMAP>;

// Selects an object into a DC and selects the previous one back at the end.
class TScopedSelect {
public:
  TScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  TScopedSelect(const TScopedSelect&) = delete;
  TScopedSelect& operator=(const TScopedSelect&) = delete;
  ~TScopedSelect() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Saves the whole state of a DC (objects, colours, modes, origin) and restores it.
class TScopedSaveDC {
public:
  explicit TScopedSaveDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  TScopedSaveDC(const TScopedSaveDC&) = delete;
  TScopedSaveDC& operator=(const TScopedSaveDC&) = delete;
  ~TScopedSaveDC() {
    if (saved_) RestoreDC(dc_, saved_);
  }

private:
  HDC dc_;
  int saved_;
};

// The DC of a window's client area outside painting (GetDC / ReleaseDC).
class TScopedGetDC {
public:
  explicit TScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  TScopedGetDC(const TScopedGetDC&) = delete;
  TScopedGetDC& operator=(const TScopedGetDC&) = delete;
  ~TScopedGetDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

// The DC of a WM_PAINT (BeginPaint / EndPaint).
class TScopedPaintDC {
public:
  explicit TScopedPaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  TScopedPaintDC(const TScopedPaintDC&) = delete;
  TScopedPaintDC& operator=(const TScopedPaintDC&) = delete;
  ~TScopedPaintDC() { EndPaint(window_, &paint_); }
  HDC Get() const { return dc_; }
  const RECT& PaintRect() const { return paint_.rcPaint; }

private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A memory DC compatible with another one (CreateCompatibleDC / DeleteDC).
class TScopedMemDC {
public:
  explicit TScopedMemDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  TScopedMemDC(const TScopedMemDC&) = delete;
  TScopedMemDC& operator=(const TScopedMemDC&) = delete;
  ~TScopedMemDC() {
    if (dc_) DeleteDC(dc_);
  }
  HDC Get() const { return dc_; }

private:
  HDC dc_;
};

// A window destroyed with DestroyWindow when it still exists.
class TScopedHwnd {
public:
  TScopedHwnd() = default;
  explicit TScopedHwnd(HWND window) : window_(window) {}
  TScopedHwnd(TScopedHwnd&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
  TScopedHwnd& operator=(TScopedHwnd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.window_, nullptr));
    return *this;
  }
  TScopedHwnd(const TScopedHwnd&) = delete;
  TScopedHwnd& operator=(const TScopedHwnd&) = delete;
  ~TScopedHwnd() { Reset(); }

  HWND Get() const { return window_; }
  HWND Release() { return std::exchange(window_, nullptr); }
  void Reset(HWND window = nullptr) {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = window;
  }

private:
  HWND window_ = nullptr;
};

}  // namespace zp
