// The relay window: a form that is never shown. Created as the main form on
// Windows Vista and later, it starts the elevated copy of the program and,
// until that copy ends, opens the targets the copy hands it (RelayLink.h)
// with the user's own rights. Windows only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/WinHandles.h"
#include "ui/Forms.h"

namespace zp {

// What the relay asks of the system, replaceable in tests.
struct TRelayShell {
  // Starts the elevated copy; null (with the last error set) when it failed.
  std::function<HANDLE(const std::string& executable)> Launch;
  // Opens a target the copy handed over.
  std::function<void(const std::string& target)> Open;
  // Shows the launch failure and returns when the user has closed it.
  std::function<void(const std::u16string& text)> ShowError;

  // The system's: LaunchElevated, the shell's "open", an error box.
  static TRelayShell System();
};

// "Unable to launch installer: " and the system's text for `code`.
std::u16string LaunchFailureText(uint32_t code);

class TFormDummy : public TForm {
public:
  TFormDummy(TApplication& application, TRelayShell shell = TRelayShell::System());

  // 200 ms, disabled until the elevated copy runs.
  TTimer Timer1;

protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void FormCreate();
  void Timer1Timer(TTimer& sender);
  // Takes a target handed over by the window `sender`: only from the
  // elevated copy, only a well-formed one. Opened after the message returns,
  // so that the copy never waits for the shell.
  bool TakeTarget(HWND sender, const COPYDATASTRUCT& record);
  void OpenTaken();

  TRelayShell shell_;
  TScopedHandle process_;  // the elevated copy
  std::vector<std::string> taken_;
};

}  // namespace zp
