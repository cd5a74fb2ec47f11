#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "TestFolders.h"
#include "engine/Placeholders.h"
#include "engine/SysFolders.h"

namespace zp {
namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kSetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

std::string Shell(int csidl) {
  char path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

std::string Folder(TSpecialFolder kind, bool trailingBackslash = false) {
  return GetSpecialFolder(kind, trailingBackslash);
}

TEST(SpecialFolders, ShellFolderKindsAreTheShellsFolders) {
  // Every kind the shell also knows by an id, whether the Shell Folders keys
  // hold it ("AppData") or not (this prefix writes "My Videos", not "My Video").
  const struct {
    TSpecialFolder Kind;
    int Csidl;
  } kinds[] = {
      {TSpecialFolder::Desktop, CSIDL_DESKTOPDIRECTORY},    {TSpecialFolder::StartMenu, CSIDL_STARTMENU},
      {TSpecialFolder::Programs, CSIDL_PROGRAMS},           {TSpecialFolder::Startup, CSIDL_STARTUP},
      {TSpecialFolder::Personal, CSIDL_PERSONAL},           {TSpecialFolder::MyPictures, CSIDL_MYPICTURES},
      {TSpecialFolder::MyMusic, CSIDL_MYMUSIC},             {TSpecialFolder::MyVideo, CSIDL_MYVIDEO},
      {TSpecialFolder::AppData, CSIDL_APPDATA},             {TSpecialFolder::Fonts, CSIDL_FONTS},
      {TSpecialFolder::SendTo, CSIDL_SENDTO},               {TSpecialFolder::Recent, CSIDL_RECENT},
      {TSpecialFolder::Favorites, CSIDL_FAVORITES},         {TSpecialFolder::Cache, CSIDL_INTERNET_CACHE},
      {TSpecialFolder::Cookies, CSIDL_COOKIES},             {TSpecialFolder::History, CSIDL_HISTORY},
      {TSpecialFolder::NetHood, CSIDL_NETHOOD},             {TSpecialFolder::PrintHood, CSIDL_PRINTHOOD},
      {TSpecialFolder::Templates, CSIDL_TEMPLATES},         {TSpecialFolder::LocalAppData, CSIDL_LOCAL_APPDATA},
      {TSpecialFolder::AdminTools, CSIDL_ADMINTOOLS},       {TSpecialFolder::ProgramFiles, CSIDL_PROGRAM_FILES},
      {TSpecialFolder::CommonFiles, CSIDL_PROGRAM_FILES_COMMON},
      {TSpecialFolder::CommonAdminTools, CSIDL_COMMON_ADMINTOOLS},
      {TSpecialFolder::CommonAppData, CSIDL_COMMON_APPDATA},
      {TSpecialFolder::CommonDesktop, CSIDL_COMMON_DESKTOPDIRECTORY},
      {TSpecialFolder::CommonDocuments, CSIDL_COMMON_DOCUMENTS},
      {TSpecialFolder::CommonPrograms, CSIDL_COMMON_PROGRAMS},
      {TSpecialFolder::CommonStartMenu, CSIDL_COMMON_STARTMENU},
      {TSpecialFolder::CommonStartup, CSIDL_COMMON_STARTUP},
      {TSpecialFolder::CommonTemplates, CSIDL_COMMON_TEMPLATES},
      {TSpecialFolder::CommonMusic, CSIDL_COMMON_MUSIC},    {TSpecialFolder::CommonPictures, CSIDL_COMMON_PICTURES},
      {TSpecialFolder::CommonVideo, CSIDL_COMMON_VIDEO},
  };
  for (const auto& k : kinds) {
    const std::string expected = Shell(k.Csidl);
    ASSERT_FALSE(expected.empty()) << static_cast<int>(k.Kind);
    EXPECT_EQ(Folder(k.Kind), expected) << "kind " << static_cast<int>(k.Kind);
  }
}

TEST(SpecialFolders, ShellFoldersKeysComeFirstAndTheShellFillsTheirGaps) {
  // Kinds nothing of ours reads, so the test may change their values.
  TSavedRegistryValue user(HKEY_CURRENT_USER, kShellFolders, "CD Burning");
  TSavedRegistryValue common(HKEY_LOCAL_MACHINE, kShellFolders, "CommonVideo");
  user.SetString("X:\\Burn");
  common.SetString("X:\\Videos");
  EXPECT_EQ(Folder(TSpecialFolder::CDBurning), "X:\\Burn");
  EXPECT_EQ(Folder(TSpecialFolder::CommonVideo), "X:\\Videos");
  common.Delete();
  EXPECT_EQ(Folder(TSpecialFolder::CommonVideo), Shell(CSIDL_COMMON_VIDEO));
}

TEST(SpecialFolders, VersionKeyValuesHaveTheirEnvironmentExpanded) {
  // Nothing of ours reads the media folder, so the test may change it.
  TSavedRegistryValue media(HKEY_LOCAL_MACHINE, kVersionKey, "MediaPath");
  media.SetString("%SystemRoot%\\Media");
  EXPECT_EQ(Folder(TSpecialFolder::MediaPath), Folder(TSpecialFolder::Windows) + "\\Media");
  media.SetString("%ZP_NOT_SET%\\Media");
  EXPECT_EQ(Folder(TSpecialFolder::MediaPath), "%ZP_NOT_SET%\\Media");
  media.Delete();
  EXPECT_EQ(Folder(TSpecialFolder::MediaPath), "");
}

TEST(SpecialFolders, KernelFolders) {
  char windows[MAX_PATH], system[MAX_PATH], temp[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  GetTempPathA(MAX_PATH, temp);
  EXPECT_EQ(Folder(TSpecialFolder::Windows), windows);
  EXPECT_EQ(Folder(TSpecialFolder::System), system);
  EXPECT_EQ(Folder(TSpecialFolder::Temp), temp);
  EXPECT_EQ(Folder(TSpecialFolder::Temp).back(), '\\');
  EXPECT_EQ(Folder(TSpecialFolder::SystemDrive), std::string(system, 2));
}

TEST(SpecialFolders, TrailingBackslashIsAddedOnceAndUnknownKindsAreEmpty) {
  EXPECT_EQ(Folder(TSpecialFolder::Windows, true), Folder(TSpecialFolder::Windows) + "\\");
  EXPECT_EQ(Folder(TSpecialFolder::Temp, true), Folder(TSpecialFolder::Temp));
  EXPECT_EQ(Folder(static_cast<TSpecialFolder>(45)), "");
  EXPECT_EQ(Folder(static_cast<TSpecialFolder>(255), true), "\\");
}

TEST(SpecialFolders, BootDriveComesFromTheSetupKeyWithoutItsBackslash) {
  TSavedRegistryValue bootDir(HKEY_LOCAL_MACHINE, kSetupKey, "BootDir");
  bootDir.SetString("D:\\");
  EXPECT_EQ(Folder(TSpecialFolder::BootDrive), "D:");
  bootDir.SetString("E:");
  EXPECT_EQ(Folder(TSpecialFolder::BootDrive), "E:");
  bootDir.Delete();
  EXPECT_EQ(Folder(TSpecialFolder::BootDrive), "C:");
  EXPECT_EQ(Folder(TSpecialFolder::BootDrive, true), "C:\\");
}

TEST(SpecialFolders, BasePlaceholdersUseThisMachinesFolders) {
  TPlaceholderList list;
  BuildPlaceholders(list, "Super EA");
  const std::string app = Folder(TSpecialFolder::ProgramFiles) + "\\Super EA";
  const std::string store = Folder(TSpecialFolder::LocalAppData) + "\\VirtualStore";
  EXPECT_EQ(ExpandPlaceholders("{app}|{windir}|{desktop}|{temp}", list),
            app + "|" + Folder(TSpecialFolder::Windows) + "|" + Folder(TSpecialFolder::Desktop) + "|" +
                Folder(TSpecialFolder::Temp));
  EXPECT_EQ(list.Value("{virtualstore}"), store);
  EXPECT_EQ(list.Value("{virtualstoreapp}"), store + app.substr(2));
  EXPECT_EQ(VirtualStorePath("C:\\MT4"), store + "\\MT4");
}

}  // namespace
}  // namespace zp
