#include "ui/Window.h"

#include <utility>

#include "base/Errors.h"
#include "base/Strings.h"

namespace zp {

namespace {

TExceptionHandler& CurrentHandler() {
  static TExceptionHandler handler;
  return handler;
}

// A failing paint would otherwise open one box per WM_PAINT that the box's
// own message loop dispatches.
void ShowErrorBoxOnce(HWND window, std::exception_ptr error) {
  static bool showing = false;
  if (showing) return;
  showing = true;
  HWND owner = window ? GetAncestor(window, GA_ROOT) : nullptr;
  ShowErrorBox(owner, ExceptionMessage(error));
  showing = false;
}

void RegisterOnce(const TWindowClass& windowClass, WNDPROC procedure) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  if (GetClassInfoExW(instance, reinterpret_cast<const wchar_t*>(windowClass.Name), &info)) return;
  info.style = windowClass.Style;
  info.lpfnWndProc = procedure;
  info.hInstance = instance;
  info.hCursor = windowClass.Cursor ? windowClass.Cursor : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  info.hbrBackground = windowClass.Background;
  info.lpszClassName = reinterpret_cast<const wchar_t*>(windowClass.Name);
  if (!RegisterClassExW(&info)) RaiseLastOSError("RegisterClassExW");
}

}  // namespace

void SetExceptionHandler(TExceptionHandler handler) { CurrentHandler() = std::move(handler); }

void HandleException(HWND window) noexcept {
  try {
    std::exception_ptr error = std::current_exception();
    if (CurrentHandler())
      CurrentHandler()(window, error);
    else
      ShowErrorBoxOnce(window, error);
  } catch (...) {
    // The handler itself failed: there is nobody left to tell.
  }
}

std::u16string ExceptionMessage(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return Utf8ToWide(e.what());
  } catch (...) {
  }
  return u"Unknown error";
}

void ShowErrorBox(HWND owner, const std::u16string& text) {
  MessageBoxW(owner, W(text), L"Error", MB_OK | MB_ICONERROR);
}

void TComponent::SetEnabled(bool enabled) {
  if (Enabled() != enabled) EnableWindow(Handle(), enabled ? TRUE : FALSE);
}

void TComponent::SetVisible(bool visible) { ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE); }

void TComponent::BringToFront() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::u16string TComponent::Text() const {
  std::u16string text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1, u'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(Handle(), reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

void TComponent::SetText(const std::u16string& text) {
  if (Text() != text) SetWindowTextW(Handle(), W(text));
}

RECT TComponent::BoundsRect() const {
  RECT bounds{};
  GetWindowRect(Handle(), &bounds);
  MapWindowPoints(HWND_DESKTOP, GetParent(Handle()), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

TWindow::~TWindow() {
  if (!handle_) return;
  // The derived parts of this object are gone: no message may reach them.
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(std::exchange(handle_, nullptr));
}

TWindow* TWindow::FromHandle(HWND window) {
  if (!window) return nullptr;
  WNDPROC procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
  if (procedure != &TWindow::StaticWndProc) return nullptr;
  return reinterpret_cast<TWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void TWindow::CreateHandle(const TWindowClass& windowClass, const TWindowArgs& args) {
  if (handle_) throw EZpError("TWindow.CreateHandle: The window exists already");
  RegisterOnce(windowClass, &TWindow::StaticWndProc);
  HWND window = CreateWindowExW(args.ExStyle, reinterpret_cast<const wchar_t*>(windowClass.Name),
                                W(args.Title), args.Style, args.Left, args.Top, args.Width, args.Height,
                                args.Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.Id)),
                                GetModuleHandleW(nullptr), this);
  if (!window) RaiseLastOSError("CreateWindowExW");
}

LRESULT TWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultWndProc(message, wParam, lParam);
}

LRESULT CALLBACK TWindow::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(window, message, wParam, lParam);

  LRESULT result = 0;
  try {
    result = self->WndProc(message, wParam, lParam);
  } catch (...) {
    HandleException(window);
    // A failed creation message must still let the window be created.
    if (message == WM_NCCREATE) result = TRUE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
  }
  return result;
}

}  // namespace zp
