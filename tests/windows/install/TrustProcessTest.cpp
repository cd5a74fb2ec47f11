// Attacks on the installer's processes: DLLs dropped beside the installer
// under the names of system DLLs (as a download folder collects them), which
// neither the relay nor the elevated wizard may load.
#include <windows.h>

#include "InstallFixture.h"

namespace zp {
namespace {

const char* const kPlanted[] = {"version", "msimg32", "riched20", "uxtheme"};

// Wine's DLL overrides for one program name, removed again at the end.
class TScopedOverrides {
public:
  TScopedOverrides(const std::string& program, const char* const* dlls, size_t count, const char* mode)
      : key_("Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides") {
    for (size_t i = 0; i < count; ++i)
      RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), dlls[i], REG_SZ, mode, static_cast<DWORD>(strlen(mode) + 1));
  }
  ~TScopedOverrides() { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }

private:
  std::string key_;
};

struct TWindowSearch {
  DWORD NotProcess;
  HWND Found = nullptr;
};

// A visible form of the toolkit in another process than ours or the relay's.
HWND FindWizard(DWORD relay) {
  TWindowSearch search{relay};
  EnumWindows(
      [](HWND window, LPARAM data) {
        auto& search = *reinterpret_cast<TWindowSearch*>(data);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == search.NotProcess || process == GetCurrentProcessId() || !IsWindowVisible(window) ||
            lstrcmpW(name, L"ZpForm") != 0)
          return TRUE;
        search.Found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

class TrustProcess : public TInstallTest {};

// Started from the folder that holds them, as a double-click starts it: the
// relay and the wizard it starts elevated (with its rich-edit viewers and
// themed controls) run, and no planted DLL has been loaded by either.
TEST_F(TrustProcess, DllsPlantedBesideTheInstallerLoadInNeitherProcess) {
  const std::string downloads = Scratch("Downloads");
  CreateDirectoryA(downloads.c_str(), nullptr);
  TProject project;
  project.ProgramName = places_.ProgramName;
  project.License = "Planted DLLs must not load.";
  BuildPackage(project, LoadStubImage(HostPath(INSTALL_EXE)), downloads + "\\setup.exe");
  for (const char* name : kPlanted)
    ASSERT_TRUE(CopyFileA(HostPath(std::string(PLANTED_DIR) + "/" + name + ".dll").c_str(),
                          (downloads + "\\" + name + ".dll").c_str(), FALSE));
  // Native before builtin: how Windows treats a DLL that is no known one.
  const TScopedOverrides native("setup.exe", kPlanted, sizeof(kPlanted) / sizeof(kPlanted[0]), "native,builtin");

  std::string command = "\"" + downloads + "\\setup.exe\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  TProcessInfo relay;
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, downloads.c_str(),
                             &startup, relay.Out()));
  HWND wizard = nullptr;
  for (int waited = 0; waited < 200 && !wizard; ++waited, Sleep(100)) wizard = FindWizard(relay.Info.dwProcessId);
  for (const char* name : kPlanted)
    EXPECT_FALSE(Exists(downloads + "\\" + name + ".dll.marker")) << name << ".dll was loaded";
  if (!wizard) TerminateProcess(relay.Info.hProcess, 99);
  ASSERT_NE(wizard, nullptr) << "no wizard came up";
  PostMessageW(wizard, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(relay.Info.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(relay.Info.hProcess, &code);
  EXPECT_EQ(code, 0u);
  for (const char* name : kPlanted)
    EXPECT_FALSE(Exists(downloads + "\\" + name + ".dll.marker")) << name << ".dll was loaded";
}

}  // namespace
}  // namespace zp
