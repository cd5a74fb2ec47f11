// Windows with a C++ object behind them. Every window of the toolkit uses one
// window procedure that finds its object through GWLP_USERDATA (set at
// WM_NCCREATE) and calls the object's virtual WndProc; no exception passes
// that boundary: it goes to the application's exception handler.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace zp {

// Receives every exception that reaches a window procedure or another Win32
// callback. `window` is the window whose message failed (may be null).
using TExceptionHandler = std::function<void(HWND window, std::exception_ptr error)>;

// Replaces the application's handler; an empty handler restores the default,
// which shows the message in an error box owned by the window's top level.
void SetExceptionHandler(TExceptionHandler handler);

// Hands the exception being handled to the application's handler. Call it
// only inside a catch block; it never throws.
void HandleException(HWND window) noexcept;

// The message of an exception as the user reads it.
std::u16string ExceptionMessage(std::exception_ptr error);

// A modal error box with one OK button.
void ShowErrorBox(HWND owner, const std::u16string& text);

// How a window class is registered: once per name, on first use.
struct TWindowClass {
  const char16_t* Name = nullptr;
  UINT Style = 0;
  HCURSOR Cursor = nullptr;      // null: the arrow
  HBRUSH Background = nullptr;   // null: the window paints everything itself
};

// The parameters of CreateWindowExW.
struct TWindowArgs {
  HWND Parent = nullptr;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  std::u16string Title;
  int Left = CW_USEDEFAULT;
  int Top = CW_USEDEFAULT;
  int Width = CW_USEDEFAULT;
  int Height = CW_USEDEFAULT;
  int Id = 0;   // a child window's control id
};

// Anything with a window that a form holds by name: the toolkit's own
// windows and the wrapped system controls. The operations act on the window
// through its messages, so they read what a user (or a test) sees.
class TComponent {
public:
  virtual ~TComponent() = default;
  virtual HWND Handle() const = 0;

  bool Enabled() const { return Handle() && IsWindowEnabled(Handle()); }
  void SetEnabled(bool enabled);
  // Visible when the window and its parents are.
  bool Visible() const { return Handle() && IsWindowVisible(Handle()); }
  void SetVisible(bool visible);
  // On top of its siblings.
  void BringToFront();
  // The window text (a caption, an edit's content).
  std::u16string Text() const;
  void SetText(const std::u16string& text);
  // Bounds in the parent's client coordinates.
  RECT BoundsRect() const;
};

class TWindow : public TComponent {
public:
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  // Destroys the window when it still exists.
  ~TWindow() override;

  HWND Handle() const override { return handle_; }

  // The object of one of the toolkit's windows, or nullptr for any other window.
  static TWindow* FromHandle(HWND window);

protected:
  TWindow() = default;

  // Creates the window; raises EOSError when Windows refuses. The object's
  // WndProc sees every message from WM_NCCREATE on.
  void CreateHandle(const TWindowClass& windowClass, const TWindowArgs& args);

  // Handles one message; the default passes it to DefWindowProcW.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(handle_, message, wParam, lParam);
  }

private:
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
};

}  // namespace zp
