// The uninstall run: deletes the recorded files, removes the recorded folders
// as far as they are empty and removes the registration. The uninstaller's
// own file goes later, through StartSelfRemoval.
#include <windows.h>

#include "base/Strings.h"
#include "engine/FileSystem.h"
#include "engine/RunFiles.h"
#include "engine/RunUtils.h"
#include "engine/ZpClasses.h"
#include "strings/TextIds.h"

namespace zp {

void TZpUninstall::Run() {
  // The folders and the registry key are derived from the name: for one that
  // is no single name they would be a drive's root or the whole list of
  // installed programs.
  const std::string nameProblem = FileNameProblem(ProgramName);
  if (!nameProblem.empty())
    throw EZpError("This uninstaller is damaged: its program name \"" + ProgramName +
                   "\" cannot be a folder name (" + nameProblem + "). Nothing was removed.");
  ProgressDone = 0;
  ProgressTotal = static_cast<int32_t>(Files.size() + Folders.size()) + 1;
  TFileSystem fs;
  AddRunRoots(fs, ProgramName);
  for (const std::string& file : Files) {
    Report(GetText(idDeleteFile, file), 1);
    try {
      if (fs.Delete(file) == TDeleteResult::Deleted) continue;
      Report(GetText(idCannotDelete, file), 0);
    } catch (const std::exception& e) {
      // A folder that leads elsewhere now: what is there is not ours.
      Report(GetText(idCannotDelete, file), 0);
      Report(Utf8ToWide(e.what()), 0);
    }
  }
  fs.Release();
  for (const std::string& folder : Folders) {
    Report(GetText(idRemoveFolder, folder), 1);
    if (!IsProtectedFolder(folder)) fs.RemoveFolderTree(folder);
  }
  Report(GetText(idUnregistering), 1);
  UnregisterUninstaller(ProgramName);
  Report(GetText(idUninstallDone), 1);
}

}  // namespace zp
