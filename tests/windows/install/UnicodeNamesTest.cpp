// Names in every script, from the package to the disk and back: a Russian
// product, a Greek publisher, files named in Chinese and with "Ĉ", a terminal
// in C:\Trading\Ĉapo MT4 that only its "origin.txt" names. The same tests run
// a second time under an account named in Cyrillic (its own prefix, see
// CMakeLists.txt), whose application data no ANSI call can name.
#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>

#include "InstallFixture.h"
#include "base/Strings.h"
#include "engine/RunUtils.h"
#include "engine/SysFolders.h"
#include "engine/ZpUtils.h"

namespace zp {
namespace {

using ::testing::Contains;

const std::string kTerminal = "C:\\Trading\\Ĉapo MT4";

// A .lnk file read back through the wide shell-link interface: its target as
// its item list names it, and its working folder. (Wine keeps only an ANSI
// copy of the path in the link's location block, so GetPath and lnkinfo show
// "?" there; Windows keeps a Unicode one too.)
std::string LinkTarget(const std::string& link) {
  TComPtr<IShellLinkW> shell;
  TComPtr<IPersistFile> file;
  PIDLIST_ABSOLUTE items = nullptr;
  wchar_t target[MAX_PATH * 2] = {}, folder[MAX_PATH * 2] = {};
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell.Out())) ||
      FAILED(shell->QueryInterface(IID_IPersistFile, file.Out())) || FAILED(file->Load(WStr(link).c_str(), STGM_READ)) ||
      FAILED(shell->GetIDList(&items)) || FAILED(shell->GetWorkingDirectory(folder, MAX_PATH * 2)))
    return "(unreadable " + link + ")";
  const bool named = SHGetPathFromIDListW(items, target);
  CoTaskMemFree(items);
  return named ? Utf8FromW(target) + " in " + Utf8FromW(folder) : "(no path in " + link + ")";
}

std::string In(const std::string& file) { return file + " in " + file.substr(0, file.find_last_of('\\')); }

// The address of a .url file as Windows reads it.
std::string UrlOf(const std::string& file) {
  wchar_t url[1024] = {};
  GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", url, 1024, WStr(file).c_str());
  return Utf8FromW(url);
}

struct TCollected : ITerminalList {
  void Clear() override { Folders.clear(); }
  void AddTerminal(const std::string& folder, bool) override { Folders.push_back(folder); }
  std::vector<std::string> Folders;
};

class UnicodeNames : public TInstallTest {
protected:
  UnicodeNames() { DeleteTree(kTerminal); }
  ~UnicodeNames() override { DeleteTree("C:\\Trading"); }

  // Installs `project` under `places` into the terminals and loads the
  // uninstaller it wrote.
  void Install(TProject project, const TProgramPlaces& places, const std::vector<std::string>& targets) {
    const std::string installer = Scratch("setup.exe");
    project.ProgramName = places.ProgramName;
    BuildPackage(project, LoadStubImage(HostPath(ZPRUN_EXE)), installer);
    TZpInstall engine;
    Load(engine, installer, targets);
    engine.Run();
  }

  // What Finish starts after the uninstall run: the batch that removes the
  // uninstaller and its folder, which must find them under any name.
  static void RemoveSelf(const TProgramPlaces& places) {
    ASSERT_TRUE(StartSelfRemoval(places.ProgramFolder + "\\Uninstall.exe", true));
    bool gone = false;
    for (int i = 0; i < 300 && !gone; ++i, Sleep(100)) gone = !Exists(places.ProgramFolder);
    EXPECT_TRUE(gone) << places.ProgramFolder;
  }
};

TEST_F(UnicodeNames, EveryFileShortcutValueAndFolderHasItsRealNameAndGoes) {
  // The second run's account name is Cyrillic, and so is its data folder.
  const std::string appData = GetSpecialFolder(TSpecialFolder::AppData);
  if (std::getenv("ZP_CYRILLIC_ACCOUNT")) {
    ASSERT_NE(appData.find("\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"), std::string::npos) << appData;  // "Иван"
  }
  std::string data;
  ASSERT_EQ(NewTerminal(kTerminal, &data), kTerminal);
  TCollected found;
  FindTerminals(found, TZpTrans(), nullptr);
  EXPECT_THAT(found.Folders, Contains(kTerminal)) << "found through origin.txt only";

  const TProgramPlaces places("Индикаторы Ĉ");
  TProject project;
  project.Publisher = "Εκδότης", project.Website = "example.com/ĉapo";
  project.ContactName = "Иван Петров", project.Email = "ivan@example.com";
  project.Readme = "{\\rtf1 readme}";
  project.Files = {FileRecord("{experts}\\趋势.mq4", "trend"), FileRecord("{indicators}\\Ĉapo.ex4", "capo"),
                   FileRecord("{app}\\说明 Ĉ.txt", "notes")};
  project.Files[0].ShortcutName = "趋势 Ĉ";
  Install(project, places, {kTerminal});

  const std::string experts = data + "\\MQL4\\Experts\\趋势.mq4", indicators = data + "\\MQL4\\Indicators\\Ĉapo.ex4";
  const std::string notes = places.ProgramFolder + "\\说明 Ĉ.txt", menu = places.StartMenuFolder;
  EXPECT_EQ(ReadText(experts), "trend");
  EXPECT_EQ(ReadText(indicators), "capo");
  EXPECT_EQ(ReadText(notes), "notes");
  EXPECT_THAT(log_.Texts(), Contains(Copying(experts)));
  EXPECT_EQ(LinkTarget(menu + "\\趋势 Ĉ.lnk"), In(experts));
  EXPECT_EQ(LinkTarget(menu + "\\Readme.lnk"), In(places.ProgramFolder + "\\Readme.rtf"));
  EXPECT_EQ(LinkTarget(menu + "\\Uninstall.lnk"), In(places.ProgramFolder + "\\Uninstall.exe"));
  EXPECT_EQ(UrlOf(menu + "\\Εκδότης Website.url"), "http://example.com/ĉapo");
  EXPECT_EQ(UrlOf(menu + "\\Contact Email.url"), "mailto:Иван Петров <ivan@example.com>");
  TRegKey key;
  std::string name;
  ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, UninstallKeyPath(places.ProgramName)));
  EXPECT_TRUE(key.ReadString("DisplayName", name));
  EXPECT_EQ(name, places.ProgramName);
  key.Close();

  const std::string exe = places.ProgramFolder + "\\Uninstall.exe";
  TZpUninstall uninstall;
  uninstall.LoadFromFile(exe);
  EXPECT_EQ(uninstall.ProgramName, places.ProgramName);
  log_.Lines.clear();
  log_.Attach(uninstall);
  uninstall.Run();
  for (const std::string& gone : {experts, indicators, notes, menu})
    EXPECT_FALSE(Exists(gone)) << gone;
  EXPECT_THAT(log_.Texts(), Contains("Delete file " + experts + " ..."));
  EXPECT_FALSE(TRegKey().Open(HKEY_LOCAL_MACHINE, UninstallKeyPath(places.ProgramName)));
  RemoveSelf(places);
}

// A package of the first builders (ANSI texts, no UTF-8 mark) installs into
// exactly the names it always did: here read in Windows-1252.
TEST_F(UnicodeNames, AnOldPackageInstallsUnderTheNamesItAlwaysHad) {
  const TProgramPlaces places("ZpTest Café");
  TProject project;
  project.Utf8Texts = false;
  project.Files = {FileRecord("{app}\\R\xE9sum\xE9 \x80.txt", "old")};
  project.Files[0].ShortcutName = "R\xE9sum\xE9";
  TProject ansi = project;
  ansi.ProgramName = "ZpTest Caf\xE9";
  const std::string installer = Scratch("old.exe");
  BuildPackage(ansi, LoadStubImage(HostPath(ZPRUN_EXE)), installer);
  TZpInstall engine;
  Load(engine, installer, {OldTerminal("T")});
  engine.Run();
  EXPECT_EQ(ReadText(places.ProgramFolder + "\\Résumé €.txt"), "old");
  EXPECT_EQ(LinkTarget(places.StartMenuFolder + "\\Résumé.lnk"), In(places.ProgramFolder + "\\Résumé €.txt"));
  TZpUninstall uninstall;
  uninstall.LoadFromFile(places.ProgramFolder + "\\Uninstall.exe");
  EXPECT_EQ(uninstall.ProgramName, "ZpTest Café");
  EXPECT_THAT(uninstall.Files, Contains(places.ProgramFolder + "\\Résumé €.txt"));
  EXPECT_THAT(log_.Texts(), Contains(Copying(places.ProgramFolder + "\\Résumé €.txt")));
  uninstall.Run();
  EXPECT_FALSE(Exists(places.ProgramFolder + "\\Résumé €.txt"));
  RemoveSelf(places);
}

}  // namespace
}  // namespace zp
