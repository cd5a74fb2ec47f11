// Loads arbitrary package bytes, then checks that what was loaded survives
// the trip through the uninstall data unchanged.
#include <cstdlib>

#include "FuzzData.h"
#include "engine/ZpClasses.h"

using namespace zp;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void ShowPictures(const TZpInstall& package) {
  for (const TJpegImage* image : {&package.Banner, &package.Splash}) {
    if (image->Empty() || int64_t(image->Width()) * image->Height() > 256 * 256) continue;
    try {
      image->Pixels();
    } catch (const EJpegError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TZpInstall package;
  TMemoryStream file(fuzz::DataSetFile(kPackageSignature, data, size));
  try {
    package.LoadFromStream(file);
  } catch (const EZpError&) {
    return 0;
  }
  ShowPictures(package);
  for (const auto& record : package.Files) package.UninstallList.push_back({record->Path, umFile});
  for (const auto& record : package.Execs) package.UninstallList.push_back({record->Path, umFolder});

  TMemoryStream copy(std::vector<uint8_t>(200, 0));
  copy.SetPosition(200);
  package.AppendUninstallData(copy);
  TZpUninstall uninstall;
  uninstall.LoadFromStream(copy);
  Check(uninstall.ProgramName == package.ProgramName && uninstall.Email == package.Email);
  Check(uninstall.VersionMajor == package.VersionMajor && uninstall.Release == package.Release);
  Check(uninstall.Banner.Bytes() == package.Banner.Bytes());
  Check(uninstall.Files.size() == package.Files.size() && uninstall.Folders.size() == package.Execs.size());
  Check(uninstall.Translations.Count() == package.Translations.Count());
  for (int i = 0; i < package.Translations.Count(); ++i) {
    Check(uninstall.Translations.Items(i).Id == package.Translations.Items(i).Id);
    Check(uninstall.Translations.Items(i).Text == package.Translations.Items(i).Text);
  }
  for (int32_t id : {1, 117, 205, 308}) package.GetText(id, package.ProgramName, package.Publisher);
  return 0;
}
