#include "ui/Application.h"

#include <commctrl.h>
#include <objbase.h>

#include "ui/Forms.h"

namespace zp {

TApplication::TApplication() {
  comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
  // The common controls' classes (the progress bar among them) are there
  // for every window from now on.
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
}

TApplication::~TApplication() {
  if (comInitialized_) CoUninitialize();
}

int TApplication::Run() {
  MSG message{};
  if (terminated_) {
    // Ended before the loop began: take the quit message it left.
    PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return exitCode_;
  }
  if (mainForm_ && ShowMainForm) mainForm_->Show();
  // Until the quit message of Terminate, which GetMessage takes off the queue.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) ProcessMessage(message);
  terminated_ = true;
  return exitCode_;
}

void TApplication::Terminate(int exitCode) {
  // A failure is never overwritten by a later normal end.
  if (exitCode != 0 || !terminated_) exitCode_ = exitCode;
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(exitCode_);
}

void TApplication::MainFormClosed() { Terminate(exitCode_); }

void TApplication::ProcessMessage(MSG& message) {
  // Tab, Enter, Esc and Alt+letter work in every form as in a dialog.
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && dynamic_cast<TForm*>(TWindow::FromHandle(root)) && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void TApplication::ProcessMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      exitCode_ = static_cast<int>(message.wParam);
      return;
    }
    ProcessMessage(message);
  }
}

// ---- TTimer ----

// A message-only window that receives the timer's WM_TIMER.
class TTimer::TTimerWindow : public TWindow {
public:
  explicit TTimerWindow(TTimer& owner) : owner_(owner) {
    TWindowClass windowClass;
    windowClass.Name = u"ZpTimer";
    TWindowArgs args;
    args.Parent = HWND_MESSAGE;
    args.Left = args.Top = args.Width = args.Height = 0;
    CreateHandle(windowClass, args);
  }

protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TIMER) {
      if (owner_.enabled_ && owner_.OnTimer) owner_.OnTimer(owner_);
      return 0;
    }
    return TWindow::WndProc(message, wParam, lParam);
  }

private:
  TTimer& owner_;
};

// The window comes with the first start: a timer that never runs makes no
// window (the relay starts the wizard before it makes any).
TTimer::TTimer() = default;

TTimer::~TTimer() = default;  // the window's end ends its timer

void TTimer::SetInterval(UINT milliseconds) {
  interval_ = milliseconds;
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}

void TTimer::Update() {
  if (window_) KillTimer(window_->Handle(), 1);
  if (!enabled_ || interval_ == 0) return;
  if (!window_) window_ = std::make_unique<TTimerWindow>(*this);
  SetTimer(window_->Handle(), 1, interval_, nullptr);
}

}  // namespace zp
