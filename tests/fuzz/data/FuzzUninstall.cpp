// Loads arbitrary uninstall data.
#include "FuzzData.h"
#include "engine/ZpClasses.h"

using namespace zp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TZpUninstall uninstall;
  TMemoryStream file(fuzz::DataSetFile(kUninstallSignature, data, size));
  try {
    uninstall.LoadFromStream(file);
  } catch (const EZpError&) {
    return 0;
  }
  for (const std::string& path : uninstall.Files) uninstall.GetText(401, path);
  for (const std::string& path : uninstall.Folders) uninstall.GetText(403, path);
  uninstall.GetText(202, uninstall.ProgramName);
  return 0;
}
