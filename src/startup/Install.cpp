// The program: an installer (or, named "Uninstall.exe", an uninstaller) that
// carries its package appended to its own file.
#include <windows.h>

#include <memory>

#include "startup/Program.h"
#include "wizard/UnitInstall.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace zp;
  return RunProgram(TProgramServices::System([](TApplication& application, bool useRelay) {
    auto wizard = std::make_unique<TFormInstaller>(application);
    wizard->UseRelay = useRelay;
    return std::unique_ptr<TForm>(std::move(wizard));
  }));
}
