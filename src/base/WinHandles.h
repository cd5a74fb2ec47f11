// The thin Win32 layer: owners of the handles the program uses (kernel
// objects, directory searches, registry keys, started processes, COM
// interfaces, windows, DCs and GDI objects). Each one releases exactly what it
// was given, once; owners are movable, never copyable. Windows only; text is
// UTF-8, handed to the W functions.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string>
#include <utility>

#include "base/ScopedHandle.h"

namespace zp {

// ---- traits ----

// Kernel objects (files, processes, threads, pipes). Creation functions
// disagree on the failure value (null or INVALID_HANDLE_VALUE): both are empty.
struct TKernelHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};

struct TFindHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) noexcept { FindClose(h); }
};

struct TRegKeyTraits {
  using Type = HKEY;
  static Type Empty() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) noexcept { RegCloseKey(h); }
};

// Fonts, brushes, pens, bitmaps: DeleteObject.
template <typename H>
struct TGdiObjTraits {
  using Type = H;
  static Type Empty() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) noexcept { DeleteObject(h); }
};

struct TMemDCTraits {
  using Type = HDC;
  static Type Empty() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) noexcept { DeleteDC(h); }
};

struct TWindowTraits {
  using Type = HWND;
  static Type Empty() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  // A window may already be gone (its parent destroyed it).
  static void Close(Type h) noexcept {
    if (IsWindow(h)) DestroyWindow(h);
  }
};

// ---- kernel objects ----

using TScopedHandle = TScopedHandleOf<TKernelHandleTraits>;

// The two handles CreateProcess hands back, closed together.
class TProcessInfo {
public:
  TProcessInfo() = default;
  ~TProcessInfo() { Reset(); }
  TProcessInfo(const TProcessInfo&) = delete;
  TProcessInfo& operator=(const TProcessInfo&) = delete;

  // Closes both handles (when open) and empties the pair.
  void Reset() {
    if (TKernelHandleTraits::Valid(Info.hThread)) CloseHandle(Info.hThread);
    if (TKernelHandleTraits::Valid(Info.hProcess)) CloseHandle(Info.hProcess);
    Info = {};
  }
  // For CreateProcess: empties the pair first, so a second start leaks nothing.
  PROCESS_INFORMATION* Out() {
    Reset();
    return &Info;
  }
  HANDLE Process() const { return Info.hProcess; }

  PROCESS_INFORMATION Info = {};
};

// ---- directory searches ----

// The entries matching a search pattern (UTF-8), in the file system's order:
//   for (TFileSearch s(pattern); s.Found(); s.Next()) ... s.Name() ...
class TFileSearch {
public:
  explicit TFileSearch(const std::string& pattern);

  bool Found() const { return found_; }
  void Next() { found_ = found_ && FindNextFileW(handle_.Get(), &data_) != FALSE; }

  const WIN32_FIND_DATAW& Data() const { return data_; }
  // The entry's name as UTF-8.
  std::string Name() const;
  DWORD Attributes() const { return data_.dwFileAttributes; }
  bool IsFolder() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // "." or "..".
  bool IsDots() const {
    return data_.cFileName[0] == L'.' &&
           (data_.cFileName[1] == L'\0' || (data_.cFileName[1] == L'.' && data_.cFileName[2] == L'\0'));
  }

private:
  WIN32_FIND_DATAW data_{};
  TScopedHandleOf<TFindHandleTraits> handle_;
  bool found_ = false;
};

// ---- registry ----

// Key paths, value names and string values are UTF-8.
class TRegKey {
public:
  TRegKey() = default;

  // Opens `root`\`path` for reading; false when it cannot. A key this owner
  // held before is closed first, whatever the outcome.
  bool Open(HKEY root, const std::string& path, REGSAM access = KEY_READ);
  // The same, creating the key when it is missing (where rights allow).
  bool OpenOrCreate(HKEY root, const std::string& path);
  // Creates or opens `root`\`path` with `access`; the registry's result code.
  LONG Create(HKEY root, const std::string& path, REGSAM access);
  void Close() { key_.Reset(); }

  HKEY Get() const { return key_.Get(); }
  bool IsOpen() const { return key_.Valid(); }

  // A string value (REG_SZ or REG_EXPAND_SZ, unexpanded); false when the
  // value is missing or of another type.
  bool ReadString(const std::string& name, std::string& value) const;
  // A REG_DWORD value; false when missing or of another type.
  bool ReadInteger(const std::string& name, DWORD& value) const;
  // Writes a REG_SZ / REG_DWORD value; the registry's result code.
  LONG WriteString(const std::string& name, const std::string& value) const;
  LONG WriteInteger(const std::string& name, DWORD value) const;

private:
  TScopedHandleOf<TRegKeyTraits> key_;
};

// Deletes `root`\`path` (a key without subkeys); the registry's result code.
LONG DeleteRegistryKey(HKEY root, const std::string& path);

// ---- COM ----

// Owns one reference to a COM interface.
template <class T>
class TComPtr {
public:
  TComPtr() = default;
  TComPtr(TComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  TComPtr& operator=(TComPtr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.ptr_, nullptr));
    return *this;
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  ~TComPtr() { Reset(); }

  T* Get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  void Reset(T* ptr = nullptr) {
    if (ptr_) ptr_->Release();
    ptr_ = ptr;
  }
  // For CoCreateInstance / QueryInterface: releases the held reference first.
  void** Out() {
    Reset();
    return reinterpret_cast<void**>(&ptr_);
  }

private:
  T* ptr_ = nullptr;
};

// ---- windows, DCs and GDI objects ----

// A GDI object (font, brush, pen, bitmap) released with DeleteObject.
template <typename H>
using TScopedGdiObj = TScopedHandleOf<TGdiObjTraits<H>>;
using TScopedFont = TScopedGdiObj<HFONT>;
using TScopedBrush = TScopedGdiObj<HBRUSH>;
using TScopedPen = TScopedGdiObj<HPEN>;
using TScopedBitmap = TScopedGdiObj<HBITMAP>;

// A window destroyed with DestroyWindow when it still exists.
using TScopedHwnd = TScopedHandleOf<TWindowTraits>;

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
  HDC Get() const { return dc_.Get(); }

private:
  TScopedHandleOf<TMemDCTraits> dc_;
};

}  // namespace zp
