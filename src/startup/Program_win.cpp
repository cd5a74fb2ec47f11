#include "startup/Program.h"

#include "base/Strings.h"

#include "startup/Roles.h"
#include "startup/SpawnUtils.h"
#include "startup/VistaUtils.h"
#include "ui/Window.h"

namespace zp {

TProgramServices TProgramServices::System(
    std::function<std::unique_ptr<TForm>(TApplication& application, bool useRelay)> createWizard) {
  TProgramServices services;
  services.CommandLine = Utf8FromW(GetCommandLineW());
  services.VistaOrLater = [] { return IsVistaOrLater(); };
  services.ParentIsRelay = IsStartedByRelay;
  services.Relay = TRelayShell::System();
  services.CreateWizard = std::move(createWizard);
  return services;
}

int RunProgram(const TProgramServices& services) {
  TApplication application;  // COM for this thread until the end
  const TStartupChoice choice =
      ChooseRole(services.VistaOrLater(), FirstArgument(services.CommandLine), services.ParentIsRelay);
  std::unique_ptr<TForm> mainForm;
  try {
    if (choice.Role == TRole::Relay) {
      application.ShowMainForm = false;
      mainForm = std::make_unique<TFormDummy>(application, services.Relay);
    } else {
      mainForm = services.CreateWizard(application, choice.UseRelay);
    }
  } catch (...) {
    HandleException(nullptr);
    return 1;
  }
  application.SetMainForm(*mainForm);
  application.Run();
  mainForm.reset();  // the wizard's closing steps may still fail
  return application.ExitCode();
}

}  // namespace zp
