// The program entry with a stand-in wizard and a relay that records instead
// of opening, for the tests of the roles and the hand-over. Every line goes
// to the file named by ZP_PROBE_LOG:
//   wizard PID PARENT USERELAY COMMANDLINE   the wizard was created
//   closing PID TIME                         the stand-in wizard closes itself
//   returned PID TIME                        the entry has returned (the process ends)
//   open PID TARGET                          the relay was asked to open TARGET
// TIME is the system time as a FILETIME value. A stand-in wizard that uses
// the relay hands it "target-from-PID-1" and "target-from-PID-2" as the real
// wizard does, then closes itself after ZP_PROBE_CLOSE_MS milliseconds
// (default 800); with ZP_PROBE_HIDDEN set it shows no window.
// Built with ZP_PROBE_REAL_WIZARD, the probe creates the real wizard instead
// (and logs its "wizard" line), for tests that walk it end to end.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/Strings.h"
#include "base/WinHandles.h"
#include "startup/Program.h"
#include "startup/SpawnUtils.h"
#include "wizard/RelayLink.h"
#ifdef ZP_PROBE_REAL_WIZARD
#include "wizard/UnitInstall.h"
#endif

namespace zp {
namespace {

void Log(const std::string& line) {
  const char* path = std::getenv("ZP_PROBE_LOG");
  if (!path) return;
  const std::string text = line + "\r\n";
  TScopedHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Now() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return std::to_string(uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime);
}

const TFormDesc kProbeForm = {u"Probe wizard", 200, 100, {u"MS Sans Serif", -11, 0}, clBtnFace};

class TProbeWizard : public TForm {
public:
  TProbeWizard(TApplication& application, bool useRelay) : TForm(application) {
    Build(kProbeForm, nullptr, 0);
    const std::string pid = std::to_string(GetCurrentProcessId());
    Log("wizard " + pid + " " + std::to_string(ParentProcessId()) + " " + (useRelay ? "1" : "0") + " " + GetCommandLineA());
    if (std::getenv("ZP_PROBE_HIDDEN")) application.ShowMainForm = false;
    if (useRelay)
      for (const char* n : {"-1", "-2"})
        if (!SendToRelay(Handle(), Utf8ToWide("target-from-" + pid + n))) Log("refused " + pid + n);
    const char* close = std::getenv("ZP_PROBE_CLOSE_MS");
    closer_.SetInterval(close ? static_cast<UINT>(std::atoi(close)) : 800);
    closer_.OnTimer = [this, pid](TTimer& timer) {
      timer.SetEnabled(false);
      Log("closing " + pid + " " + Now());
      Close();
    };
    closer_.SetEnabled(true);
  }

private:
  TTimer closer_;
};

}  // namespace
}  // namespace zp

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace zp;
  TProgramServices services = TProgramServices::System(
      [](TApplication& application, bool useRelay) -> std::unique_ptr<TForm> {
#ifdef ZP_PROBE_REAL_WIZARD
        Log("wizard " + std::to_string(GetCurrentProcessId()) + " " + std::to_string(ParentProcessId()) + " " +
            (useRelay ? "1" : "0") + " " + GetCommandLineA());
        auto wizard = std::make_unique<TFormInstaller>(application);
        wizard->UseRelay = useRelay;
        return wizard;
#else
        return std::make_unique<TProbeWizard>(application, useRelay);
#endif
      });
  services.Relay.Open = [](const std::string& target) {
    Log("open " + std::to_string(GetCurrentProcessId()) + " " + target);
  };
  const int code = RunProgram(services);
  Log("returned " + std::to_string(GetCurrentProcessId()) + " " + Now());
  return code;
}
