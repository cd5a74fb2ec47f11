#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "TestFolders.h"
#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/SysFolders.h"
#include "engine/ZpUtils.h"

namespace zp {
namespace {

const std::string kOld = HostPath(FAKE_TERMINAL_509);
const std::string kNew = HostPath(FAKE_TERMINAL_1090);
const std::string kPlain = HostPath(FAKE_TERMINAL_PLAIN);

std::string Utf16Le(const std::string& ascii, bool mark) {
  std::string bytes = mark ? "\xFF\xFE" : "";
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

std::string Utf16Be(const std::string& ascii) {
  std::string bytes = "\xFE\xFF";
  for (char c : ascii) bytes += {'\0', c};
  return bytes;
}

// The check list of the selection page, as the wizard will hold it.
class TFakeList : public ITerminalList {
public:
  void Clear() override { Entries.clear(); }
  void AddTerminal(const std::string& folder, bool checked) override { Entries.emplace_back(folder, checked); }
  std::vector<std::string> Folders() const {
    std::vector<std::string> folders;
    for (const auto& entry : Entries) folders.push_back(entry.first);
    return folders;
  }
  std::vector<std::pair<std::string, bool>> Entries;
};

struct TShownMessage {
  std::u16string Text;
  TMessageKind Kind;
};

TEST(Paths, PathExistsFindsFilesFoldersAndWildcards) {
  TTempTree tree;
  tree.File("a\\terminal.exe");
  tree.Folder("b\\terminal.exe");
  EXPECT_TRUE(PathExists(tree / "a\\terminal.exe"));
  EXPECT_TRUE(PathExists(tree / "b\\terminal.exe"));
  EXPECT_TRUE(PathExists(tree / "a"));
  EXPECT_TRUE(PathExists(tree / "a\\term*.e?e"));
  EXPECT_FALSE(PathExists(tree / "a\\origin.txt"));
  EXPECT_FALSE(PathExists(tree / "c\\terminal.exe"));
}

TEST(Paths, ListSubfoldersAppendsFolderNamesOnly) {
  TTempTree tree;
  tree.Folder("one");
  tree.Folder("two\\nested");
  tree.File("file.txt");
  std::vector<std::string> names = {"kept"};
  ListSubfolders(tree.Path() + "\\", names);
  std::sort(names.begin() + 1, names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"kept", "one", "two"}));
  ListSubfolders(tree / "missing\\", names);
  EXPECT_EQ(names.size(), 3u);
}

TEST(TerminalLayout, VersionResourceDecides) {
  TTempTree tree;
  EXPECT_FALSE(IsNewTerminal(tree.Copy(kOld, "MT old\\terminal.exe")));
  EXPECT_TRUE(IsNewTerminal(tree.Copy(kNew, "MT new\\terminal.exe")));
  EXPECT_TRUE(IsNewTerminal(tree.Copy(kPlain, "MT plain\\terminal.exe")));
  EXPECT_TRUE(IsNewTerminal(tree / "MT none\\terminal.exe"));
  EXPECT_TRUE(IsNewTerminal(tree.File("MT text\\terminal.exe", "not a program")));
}

TEST(TerminalLayout, UserAccountControlFollowsEnableLUA) {
  TSavedRegistryValue lua(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                          "EnableLUA");
  lua.SetInteger(0);
  const bool off = IsUACDisabled();
  lua.SetInteger(1);
  const bool on = IsUACDisabled();
  lua.SetString("0");
  const bool text = IsUACDisabled();
  lua.Delete();
  const bool missing = IsUACDisabled();
  EXPECT_TRUE(off);
  EXPECT_FALSE(on);
  EXPECT_FALSE(text);
  EXPECT_FALSE(missing);
}

// Roaming application data with four data folders of terminals.
class DataFolders : public ::testing::Test {
protected:
  void SetUp() override {
    Data("A1", Utf16Le("C:\\Program Files\\MT4 One", true));
    Data("B2", Utf16Le("  C:\\MT4 Two\r\n", false));
    Data("C3", Utf16Be("D:\\Trading\\MT4 Three"));
    tree.File("AppData\\MetaQuotes\\Terminal\\D4\\MQL4\\Experts\\x.ex4");
  }
  void Data(const std::string& name, const std::string& origin) {
    tree.File("AppData\\MetaQuotes\\Terminal\\" + name + "\\origin.txt", origin);
    tree.Folder("AppData\\MetaQuotes\\Terminal\\" + name + "\\MQL4");
  }
  std::string DataFolder(const std::string& terminal) { return GetDataFolder(terminal, AppData(), false); }
  std::string AppData() const { return tree / "AppData"; }
  std::string Base() const { return AppData() + "\\MetaQuotes\\Terminal\\"; }

  TTempTree tree;
};

TEST_F(DataFolders, OriginTextNamesTheTerminalInAnyByteOrder) {
  EXPECT_EQ(DataFolder("C:\\Program Files\\MT4 One"), Base() + "A1");
  EXPECT_EQ(DataFolder("c:\\program files\\mt4 ONE"), Base() + "A1");
  EXPECT_EQ(DataFolder("C:\\MT4 Two"), Base() + "B2");
  EXPECT_EQ(DataFolder("D:\\Trading\\MT4 Three"), Base() + "C3");
}

TEST_F(DataFolders, WithoutAMatchTheTerminalFolderItself) {
  EXPECT_EQ(DataFolder("C:\\MT4 Two\\"), "C:\\MT4 Two\\");
  EXPECT_EQ(DataFolder("C:\\MT4 Four"), "C:\\MT4 Four");
  EXPECT_EQ(GetDataFolder("C:\\MT4 Two", tree / "Elsewhere", false), "C:\\MT4 Two");
}

TEST_F(DataFolders, UnreadableOriginIsSkipped) {
  // The first data folder listed gets an "origin.txt" that cannot be read
  // (a folder of that name); the search goes on past it.
  std::vector<std::string> names;
  ListSubfolders(Base(), names);
  ASSERT_FALSE(names.empty());
  const std::string first = Base() + names[0] + "\\origin.txt";
  DeleteFileA(first.c_str());
  CreateDirectoryA(first.c_str(), nullptr);
  EXPECT_EQ(DataFolder("C:\\Program Files\\MT4 One"), names[0] == "A1" ? "C:\\Program Files\\MT4 One" : Base() + "A1");
  EXPECT_EQ(DataFolder("D:\\Trading\\MT4 Three"), names[0] == "C3" ? "D:\\Trading\\MT4 Three" : Base() + "C3");
}

TEST_F(DataFolders, WithUserAccountControlOffTheTerminalKeepsItsData) {
  EXPECT_EQ(GetDataFolder("C:\\Program Files\\MT4 One", AppData(), true), "C:\\Program Files\\MT4 One");
  EXPECT_EQ(GetDataFolder("C:\\Program Files\\MT4 One\\", AppData(), true), "C:\\Program Files\\MT4 One");
}

// A machine with terminals in program files, at the drive root and named by
// data folders.
class FindTerminalsTest : public ::testing::Test {
protected:
  TTerminalRoots Roots() const { return {tree / "Program Files", tree / "Root", tree / "AppData"}; }
  void Data(const std::string& name, const std::string& terminal, bool mql4 = true) {
    tree.File("AppData\\MetaQuotes\\Terminal\\" + name + "\\origin.txt", Utf16Le(terminal, true));
    if (mql4) tree.Folder("AppData\\MetaQuotes\\Terminal\\" + name + "\\MQL4");
  }
  std::vector<std::string> Find() {
    FindTerminals(list, texts, [this](const std::u16string& text, TMessageKind kind) {
      shown.push_back({text, kind});
    }, Roots());
    for (const auto& entry : list.Entries) EXPECT_TRUE(entry.second) << entry.first;
    return list.Folders();
  }
  static std::vector<std::string> Sorted(std::vector<std::string> folders) {
    std::sort(folders.begin(), folders.end());
    return folders;
  }

  TTempTree tree;
  TZpTrans texts;
  TFakeList list;
  std::vector<TShownMessage> shown;
};

TEST_F(FindTerminalsTest, ScansProgramFilesTheDriveRootAndDataFolders) {
  const std::string pf = tree / "Program Files";
  tree.Copy(kOld, "Program Files\\MT4 Old\\terminal.exe");
  tree.Copy(kNew, "Program Files\\MT4 New\\terminal.exe");
  tree.Folder("Program Files\\Odd\\terminal.exe");  // a folder of that name counts
  tree.File("Program Files\\Other\\readme.txt");
  tree.File("Program Files\\terminal.exe");
  tree.Copy(kPlain, "Root\\MT4\\terminal.exe");
  Data("A", UpperAscii(pf + "\\MT4 New"));  // already listed: letter case does not matter
  Data("B", pf + "\\MT4 Old\\");            // differs by the backslash: listed again
  Data("C", "E:\\Gone\\MetaTrader");         // need not exist
  Data("D", "E:\\No MQL4", false);           // no MQL4 folder: not a data folder
  Data("E", "E:\\GONE\\metatrader");         // a second data folder of the same terminal
  tree.File("AppData\\MetaQuotes\\Terminal\\F\\origin.txt", Utf16Le("", true));
  tree.Folder("AppData\\MetaQuotes\\Terminal\\F\\MQL4");  // names nothing: skipped

  const std::vector<std::string> found = Find();
  ASSERT_EQ(found.size(), 6u) << ::testing::PrintToString(found);
  // The install scans come first, program files before the root; the data
  // folders follow in the order the file system lists them.
  EXPECT_EQ(Sorted({found[0], found[1], found[2]}),
            (std::vector<std::string>{pf + "\\MT4 New", pf + "\\MT4 Old", pf + "\\Odd"}));
  EXPECT_EQ(found[3], tree / "Root\\MT4");
  const std::vector<std::string> named = Sorted({found[4], found[5]});
  EXPECT_EQ(named[0], pf + "\\MT4 Old\\");
  EXPECT_TRUE(SameTextAscii(named[1], "E:\\Gone\\MetaTrader")) << named[1];
  EXPECT_TRUE(shown.empty());
}

TEST_F(FindTerminalsTest, AnUnreadableOriginDoesNotEndTheScan) {
  for (const char* name : {"A", "B", "C"}) Data(name, std::string("E:\\MT4 ") + name);
  // The first data folder listed gets an "origin.txt" that cannot be read.
  const std::string base = tree / "AppData\\MetaQuotes\\Terminal\\";
  std::vector<std::string> names;
  ListSubfolders(base, names);
  ASSERT_EQ(names.size(), 3u);
  const std::string first = base + names[0] + "\\origin.txt";
  DeleteFileA(first.c_str());
  CreateDirectoryA(first.c_str(), nullptr);
  std::vector<std::string> expected = {"E:\\MT4 " + names[1], "E:\\MT4 " + names[2]};
  EXPECT_EQ(Sorted(Find()), Sorted(expected));
}

TEST_F(FindTerminalsTest, HiddenFoldersAreNotScanned) {
  const std::string hidden = tree.Folder("Program Files\\Hidden");
  tree.Copy(kOld, "Program Files\\Hidden\\terminal.exe");
  tree.Copy(kOld, "Program Files\\Shown\\terminal.exe");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  if (!(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN)) GTEST_SKIP() << "no hidden attribute here";
  EXPECT_EQ(Find(), (std::vector<std::string>{tree / "Program Files\\Shown"}));
}

TEST_F(FindTerminalsTest, NothingFoundAddsTheDefaultFolderAndWarnsOnce) {
  tree.Folder("Program Files\\Empty");
  Data("A", "E:\\No MQL4", false);
  list.AddTerminal("left over", false);
  EXPECT_EQ(Find(), (std::vector<std::string>{tree / "Program Files\\MetaTrader 4"}));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text,
            u"We cannot find any MetaTrader folder in this computer.\r\nWe add a default folder so you can "
            u"continue with the installation,\r\nand install MetaTrader later.");
  // A package may translate it.
  texts.Add(105, "Keine MetaTrader-Ordner|gefunden");
  Find();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].Text, u"Keine MetaTrader-Ordner\r\ngefunden");
  EXPECT_EQ(shown[0].Kind, TMessageKind::Warning);
}

TEST_F(FindTerminalsTest, MissingRootsAreSkippedSilently) {
  const TTerminalRoots roots = {tree / "none", "Q:\\nowhere", tree / "none"};
  FindTerminals(list, TZpTrans(), nullptr, roots);
  EXPECT_EQ(list.Folders(), (std::vector<std::string>{tree / "none\\MetaTrader 4"}));
}

// Starts the fake terminal with its main window and ends it again.
class TRunningTerminal {
public:
  explicit TRunningTerminal(const std::string& exe) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + exe + "\" window";
    started_ = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              process_.Out()) != FALSE;
  }
  ~TRunningTerminal() {
    if (!started_) return;
    if (WaitForSingleObject(process_.Process(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.Process(), 1);
  }
  bool Started() const { return started_; }
  // Waits until the window exists; null after ten seconds.
  HWND Window() const {
    for (int i = 0; i < 200; ++i, Sleep(50))
      if (HWND window = FindWindowA("MetaQuotes::MetaTrader::4.00", nullptr)) return window;
    return nullptr;
  }
  bool Close(HWND window) const {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.Process(), 10000) == WAIT_OBJECT_0;
  }

private:
  TProcessInfo process_;
  bool started_ = false;
};

TEST(RunningTerminal, FoundByItsWindowClass) {
  EXPECT_FALSE(IsTerminalRunning());
  TRunningTerminal terminal(kOld);
  ASSERT_TRUE(terminal.Started());
  const HWND window = terminal.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsTerminalRunning());
  ASSERT_TRUE(terminal.Close(window));
  EXPECT_FALSE(IsTerminalRunning());
}

}  // namespace
}  // namespace zp
