// Installing and uninstalling touch the Windows file system, registry and
// shell; elsewhere (zpbuild listing a package, say) the classes only load.
#include "engine/ZpClasses.h"

namespace zp {

void TZpInstall::Run() { throw EZpError("Installing needs Windows"); }

void TZpUninstall::Run() { throw EZpError("Uninstalling needs Windows"); }

}  // namespace zp
