// The program entry with its three roles: the relay (Windows Vista or later
// without the argument "spawn"), the wizard in install mode and the wizard in
// uninstall mode (the wizard tells these two apart by its file name). Apart
// from WinMain, so that tests run it with their own wizard and shell.
// Windows only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "startup/UnitDummy.h"

namespace zp {

struct TProgramServices {
  std::string CommandLine;                // the program's own, name first
  std::function<bool()> VistaOrLater;     // the version test
  std::function<bool()> ParentIsRelay;    // asked only for "spawn" on Vista or later
  TRelayShell Relay;
  // Creates the wizard as a form of `application`, its UseRelay set to
  // `useRelay` right after creation.
  std::function<std::unique_ptr<TForm>(TApplication& application, bool useRelay)> CreateWizard;

  // The running system's, with `createWizard` for the wizard.
  static TProgramServices System(
      std::function<std::unique_ptr<TForm>(TApplication& application, bool useRelay)> createWizard);
};

// Picks the role, creates its form as the application's main form and runs
// the message loop. Returns the process exit code: 0 when the wizard closes;
// 1 when the program ends on an error box (the wizard cannot read its
// package, the relay could not start the copy, the form could not be
// created); the relay passes on its elevated copy's code.
int RunProgram(const TProgramServices& services);

}  // namespace zp
