// zpdrive: starts an installer (or uninstaller) as a user would and walks its
// wizard to Finish, printing each page, box and log line; with the shots
// wrapper, a screenshot of every page. Returns the program's exit code.
//   zpdrive [--link] [--no-terminal] [--shots PREFIX] PROGRAM [ARGUMENTS]
#include <windows.h>

#include <cstdio>
#include <string>

#include "WizardDriver.h"
#include "base/WinHandles.h"

int main(int argc, char** argv) {
  using namespace zp;
  TDriveOptions options;
  options.Say = [](const std::string& line) { std::printf("%s\n", line.c_str()), std::fflush(stdout); };
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const std::string option = argv[i];
    if (option == "--link") options.ClickLink = true;
    else if (option == "--no-terminal") options.NoTerminal = true;
    else if (option == "--shots" && i + 1 < argc) options.ShotPrefix = argv[++i];
  }
  if (i >= argc) {
    std::fprintf(stderr, "usage: zpdrive [--link] [--no-terminal] [--shots PREFIX] PROGRAM [ARGUMENTS]\n");
    return 2;
  }
  std::string command = std::string("\"") + argv[i] + "\"";
  for (++i; i < argc; ++i) command += std::string(" ") + argv[i];
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  TProcessInfo process;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process.Info)) {
    std::fprintf(stderr, "zpdrive: cannot start %s (%lu)\n", command.c_str(), GetLastError());
    return 2;
  }
  HWND form = WaitForWizard(30000);
  if (!form) {
    std::fprintf(stderr, "zpdrive: no wizard window appeared\n");
    return 2;
  }
  const TDriveResult result = DriveWizard(form, options);
  if (!result.Finished) std::fprintf(stderr, "zpdrive: the wizard did not reach its finish page\n");
  WaitForSingleObject(process.Info.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(process.Info.hProcess, &code);
  std::printf("exit code %lu\n", code);
  return result.Finished ? static_cast<int>(code) : 3;
}
