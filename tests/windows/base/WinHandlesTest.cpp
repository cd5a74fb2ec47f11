// The handle owners of the Win32 layer: each releases what it held when it
// takes another handle, and a moved-from owner releases nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/WinHandles.h"

namespace zp {
namespace {

// True while `key` is an open registry handle of this process.
bool KeyIsOpen(HKEY key) {
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS;
}

// True while `handle` is an open kernel handle of this process.
bool HandleIsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(RegKey, OpeningAgainReleasesTheFirstKey) {
  // The second open either fails or succeeds: the first key goes both ways
  // (a released handle value may come back for the second key).
  for (const char* second : {"SOFTWARE\\Microsoft", "SOFTWARE\\No such key of ZpInstall"}) {
    TRegKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE"));
    const HKEY first = key.Get();
    ASSERT_TRUE(KeyIsOpen(first));
    const bool opened = key.Open(HKEY_LOCAL_MACHINE, second);
    EXPECT_EQ(opened, key.IsOpen()) << second;
    if (first != key.Get()) {
      EXPECT_FALSE(KeyIsOpen(first)) << second;
    }
  }
}

TEST(RegKey, ReadsWhatItWrote) {
  const char* path = "SOFTWARE\\ZpInstall handle test";
  {
    TRegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteString("Text", "a b"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteInteger("Number", 7), ERROR_SUCCESS);
    std::string text;
    DWORD number = 0;
    EXPECT_TRUE(key.ReadString("Text", text) && text == "a b");
    EXPECT_TRUE(key.ReadInteger("Number", number) && number == 7);
    EXPECT_FALSE(key.ReadInteger("Text", number)) << "wrong type";
    EXPECT_FALSE(key.ReadString("Missing", text));
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

TEST(ScopedHandle, ReleasesOnResetOutAndEndButNotAfterAMove) {
  auto event = [] { return CreateEventA(nullptr, TRUE, FALSE, nullptr); };
  TScopedHandle a(event());
  const HANDLE first = a.Get();
  TScopedHandle b(std::move(a));
  EXPECT_FALSE(a.Valid());
  EXPECT_TRUE(HandleIsOpen(first)) << "moved, not closed";
  *b.Out() = event();
  const HANDLE second = b.Get();
  if (second != first) {
    EXPECT_FALSE(HandleIsOpen(first)) << "Out() closes the held handle";
  }
  const HANDLE kept = b.Release();
  EXPECT_FALSE(b.Valid());
  EXPECT_TRUE(HandleIsOpen(kept));
  { TScopedHandle c(kept); }
  EXPECT_FALSE(HandleIsOpen(kept));
  EXPECT_FALSE(TScopedHandle(INVALID_HANDLE_VALUE).Valid()) << "a failed CreateFile is empty";
}

TEST(ProcessInfo, ClosesBothHandles) {
  TProcessInfo process;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  char commandLine[] = "cmd.exe /c exit 3";
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, process.Out()));
  const HANDLE thread = process.Info.hThread, started = process.Process();
  WaitForSingleObject(started, 10000);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(started, &code) && code == 3);
  process.Reset();
  EXPECT_FALSE(HandleIsOpen(thread));
  EXPECT_FALSE(HandleIsOpen(started));
}

TEST(FileSearch, ListsEntriesAndEndsCleanlyWhenNothingMatches) {
  char folder[MAX_PATH];
  GetSystemDirectoryA(folder, MAX_PATH);
  int found = 0;
  for (TFileSearch search(std::string(folder) + "\\kernel32.dll"); search.Found(); search.Next()) ++found;
  EXPECT_EQ(found, 1);
  TFileSearch none(std::string(folder) + "\\no such file of ZpInstall.*");
  EXPECT_FALSE(none.Found());
  none.Next();
  EXPECT_FALSE(none.Found());
}

}  // namespace
}  // namespace zp
