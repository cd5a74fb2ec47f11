// Placeholder runs until the engine's install and uninstall runs land; they
// replace this file.
#include "engine/ZpClasses.h"

namespace zp {

void TZpInstall::Run() { throw EZpError("Installing is not built yet"); }

void TZpUninstall::Run() { throw EZpError("Uninstalling is not built yet"); }

}  // namespace zp
