#include "startup/UnitDummy.h"

#include "base/Errors.h"
#include "base/Strings.h"
#include "engine/RunFiles.h"
#include "engine/SysFolders.h"
#include "startup/SpawnUtils.h"
#include "startup/VistaUtils.h"
#include "wizard/RelayLink.h"

namespace zp {
namespace {

constexpr UINT kTickMilliseconds = 200;
constexpr DWORD kWaitMilliseconds = 100;
// Posted to itself when a target was taken.
constexpr UINT kOpenTaken = WM_APP + 1;

const TFormDesc kDummyForm = {u"ZpInstall", 120, 60, {u"MS Sans Serif", -11, 0}, clBtnFace};

}  // namespace

TRelayShell TRelayShell::System() {
  TRelayShell shell;
  shell.Launch = [](const std::string& executable) { return LaunchElevated(executable); };
  shell.Open = OpenWithShell;
  shell.ShowError = [](const std::u16string& text) { MessageDlg(nullptr, text, TMsgDlgType::mtError); };
  return shell;
}

std::u16string LaunchFailureText(uint32_t code) {
  return u"Unable to launch installer: " + Utf8ToWide(SystemErrorText(code));
}

TFormDummy::TFormDummy(TApplication& application, TRelayShell shell)
    : TForm(application), shell_(std::move(shell)) {
  Timer1.SetInterval(kTickMilliseconds);
  Timer1.OnTimer = [this](TTimer& sender) { Timer1Timer(sender); };
  // The wizard starts before the relay makes any window of its own: the
  // first window connects a process to the display, which takes a while
  // that the two processes now spend side by side. The wizard waits for
  // this window when it hands over a target at once.
  FormCreate();
  Build(kDummyForm, nullptr, 0);
}

void TFormDummy::FormCreate() {
  process_.Reset(shell_.Launch(OwnExecutablePath()));
  if (!process_) {
    const uint32_t code = GetLastError();
    shell_.ShowError(LaunchFailureText(code));
    Application().Terminate(1);
    return;
  }
  Timer1.SetEnabled(true);
}

LRESULT TFormDummy::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return TakeTarget(reinterpret_cast<HWND>(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE
                                                                                                          : FALSE;
    case kOpenTaken:
      OpenTaken();
      return 0;
    default:
      return TForm::WndProc(message, wParam, lParam);
  }
}

bool TFormDummy::TakeTarget(HWND sender, const COPYDATASTRUCT& record) {
  DWORD senderProcess = 0;
  std::u16string text;
  if (!process_ || !GetWindowThreadProcessId(sender, &senderProcess) ||
      senderProcess != GetProcessId(process_.Get()) || !ReadRelayTarget(record, text))
    return false;
  const std::string target = TrimText(WideToUtf8(text));
  if (target.empty()) return false;
  taken_.push_back(target);
  PostMessageW(Handle(), kOpenTaken, 0, 0);
  return true;
}

void TFormDummy::OpenTaken() {
  // The shell may dispatch messages (and so take more targets) while it opens.
  std::vector<std::string> targets;
  targets.swap(taken_);
  for (const std::string& target : targets) {
    try {
      shell_.Open(target);
    } catch (...) {
      // A target that cannot be opened is not reported.
    }
  }
}

void TFormDummy::Timer1Timer(TTimer&) {
  Timer1.SetEnabled(false);  // a tick never overlaps the next
  if (WaitForSingleObject(process_.Get(), kWaitMilliseconds) != WAIT_TIMEOUT) {
    // Every target the copy handed over was taken before it ended.
    while (!taken_.empty()) OpenTaken();
    // The copy's failure (it ended on an error box) is the program's.
    DWORD code = 0;
    Application().Terminate(GetExitCodeProcess(process_.Get(), &code) && code != STILL_ACTIVE ? static_cast<int>(code) : 0);
    return;
  }
  Timer1.SetEnabled(true);
}

}  // namespace zp
