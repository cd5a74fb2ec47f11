#include "startup/UnitDummy.h"

#include "base/Errors.h"
#include "base/Strings.h"
#include "startup/SpawnUtils.h"
#include "startup/VistaUtils.h"

namespace zp {
namespace {

constexpr UINT kTickMilliseconds = 200;
constexpr DWORD kWaitMilliseconds = 100;

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
  // that the two processes now spend side by side.
  FormCreate();
  Build(kDummyForm, nullptr, 0);
}

void TFormDummy::FormCreate() {
  commandFile_ = CommandFilePath();
  process_.Reset(shell_.Launch(OwnExecutablePath()));
  if (!process_) {
    const uint32_t code = GetLastError();
    shell_.ShowError(LaunchFailureText(code));
    Application().Terminate(1);
    return;
  }
  Timer1.SetEnabled(true);
}

void TFormDummy::Timer1Timer(TTimer&) {
  Timer1.SetEnabled(false);  // a tick never overlaps the next
  RelayCommandStep(commandFile_, shell_.Open);
  if (WaitForSingleObject(process_.Get(), kWaitMilliseconds) != WAIT_TIMEOUT) {
    Application().Terminate(0);
    return;
  }
  Timer1.SetEnabled(true);
}

}  // namespace zp
