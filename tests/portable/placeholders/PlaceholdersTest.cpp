#include <gtest/gtest.h>

#include <map>

#include "engine/Placeholders.h"

namespace zp {
namespace {

// A machine whose folders are known in advance.
TFolderSource FakeFolders(std::map<TSpecialFolder, std::string> folders) {
  return [folders](TSpecialFolder kind) {
    auto it = folders.find(kind);
    return it == folders.end() ? std::string() : it->second;
  };
}

const TFolderSource kMachine = FakeFolders({
    {TSpecialFolder::ProgramFiles, "C:\\Program Files"},
    {TSpecialFolder::BootDrive, "D:"},
    {TSpecialFolder::Windows, "C:\\Windows"},
    {TSpecialFolder::System, "C:\\Windows\\system32"},
    {TSpecialFolder::Personal, "C:\\Users\\ann\\Documents"},
    {TSpecialFolder::Desktop, "C:\\Users\\ann\\Desktop"},
    {TSpecialFolder::Temp, "C:\\Temp\\"},
    {TSpecialFolder::LocalAppData, "C:\\Users\\ann\\AppData\\Local"},
});

const std::string kStore = "C:\\Users\\ann\\AppData\\Local\\VirtualStore";

std::vector<std::string> Names(const TPlaceholderList& list) {
  std::vector<std::string> names;
  for (const TPlaceholder& entry : list.Entries()) names.push_back(entry.Name);
  return names;
}

TEST(PlaceholderList, SetReplacesInPlaceIgnoringCaseAndAppendsOtherwise) {
  TPlaceholderList list;
  list.Set("{a}", "1");
  list.Set("{b}", "2");
  list.Set("{c}", "3");
  list.Set("{B}", "two");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"{a}", "{B}", "{c}"}));
  EXPECT_EQ(list.Value("{b}"), "two");
  EXPECT_EQ(list.IndexOf("{C}"), 2);
  EXPECT_EQ(list.IndexOf("{d}"), -1);
  EXPECT_EQ(list.Value("{d}"), "");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ExpandPlaceholders, ReplacesEveryOccurrenceInAnyLetterCase) {
  TPlaceholderList list;
  list.Set("{app}", "C:\\Program Files\\Tool");
  EXPECT_EQ(ExpandPlaceholders("{APP}\\a.txt;{App}\\b;{app}", list),
            "C:\\Program Files\\Tool\\a.txt;C:\\Program Files\\Tool\\b;C:\\Program Files\\Tool");
  // Unknown placeholders, unbalanced braces and environment references stay.
  EXPECT_EQ(ExpandPlaceholders("{experts}\\x.ex4 {app %TEMP%", list), "{experts}\\x.ex4 {app %TEMP%");
  EXPECT_EQ(ExpandPlaceholders("", list), "");
}

TEST(ExpandPlaceholders, AppliesEntriesInListOrderWithoutRescanningInsertedText) {
  TPlaceholderList list;
  list.Set("{first}", "[{second}]");
  list.Set("{second}", "<{first}{second}>");
  // {first} inserts {second}, which the later entry expands; what {second}
  // inserts is not scanned again, so nothing loops.
  EXPECT_EQ(ExpandPlaceholders("{first}", list), "[<{first}{second}>]");
  EXPECT_EQ(ExpandPlaceholders("{second}{first}", list), "<{first}{second}>[<{first}{second}>]");
}

TEST(ExpandPlaceholders, IgnoresAnEntryWithAnEmptyName) {
  TPlaceholderList list;
  list.Set("", "x");
  list.Set("{a}", "b");
  EXPECT_EQ(ExpandPlaceholders("{a}", list), "b");
}

TEST(VirtualStorePath, DropsTheDriveAndKeepsTheRest) {
  EXPECT_EQ(VirtualStorePath("C:\\Program Files\\MetaTrader 4", kMachine), kStore + "\\Program Files\\MetaTrader 4");
  EXPECT_EQ(VirtualStorePath("", kMachine), kStore);
  EXPECT_EQ(VirtualStorePath("\\\\server\\share\\mt4", kMachine), kStore + "\\\\server\\share\\mt4");
  EXPECT_EQ(VirtualStorePath("D:", kMachine), kStore);
  EXPECT_EQ(VirtualStorePath("x", kMachine), kStore + "x");
  EXPECT_EQ(VirtualStorePath("C:\\MT4", FakeFolders({})), "\\VirtualStore\\MT4");
}

TEST(BuildPlaceholders, FillsTheNineBaseEntriesInOrder) {
  TPlaceholderList list;
  list.Set("{stale}", "x");
  BuildPlaceholders(list, "Super EA", kMachine);
  const std::vector<TPlaceholder> expected = {
      {"{app}", "C:\\Program Files\\Super EA"},
      {"{bootdir}", "D:"},
      {"{windir}", "C:\\Windows"},
      {"{winsysdir}", "C:\\Windows\\system32"},
      {"{mydocuments}", "C:\\Users\\ann\\Documents"},
      {"{desktop}", "C:\\Users\\ann\\Desktop"},
      {"{temp}", "C:\\Temp\\"},
      {"{virtualstore}", kStore},
      {"{virtualstoreapp}", kStore + "\\Program Files\\Super EA"},
  };
  ASSERT_EQ(list.Count(), 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(list[i].Name, expected[i].Name);
    EXPECT_EQ(list[i].Value, expected[i].Value);
  }
  // The temporary folder keeps its backslash; Windows accepts the double one.
  EXPECT_EQ(ExpandPlaceholders("{temp}\\setup.exe", list), "C:\\Temp\\\\setup.exe");
  // The closing brace keeps {virtualstore} from eating {virtualstoreapp}.
  EXPECT_EQ(ExpandPlaceholders("{virtualstoreapp}\\a|{virtualstore}", list),
            kStore + "\\Program Files\\Super EA\\a|" + kStore);
}

TEST(BuildPlaceholders, AnUnreadableFolderLeavesAValueStartingWithABackslash) {
  TPlaceholderList list;
  BuildPlaceholders(list, "Tool", FakeFolders({}));
  EXPECT_EQ(list.Value("{app}"), "\\Tool");
  EXPECT_EQ(list.Value("{virtualstoreapp}"), "\\VirtualStore\\Tool");
}

TEST(TerminalPlaceholders, OldLayoutUsesTheInstallationFolder) {
  TPlaceholderList list;
  BuildPlaceholders(list, "Tool", kMachine);
  EXPECT_EQ(ExpandPlaceholders("{experts}\\A.ex4", list), "{experts}\\A.ex4");

  SetTerminalPlaceholders(list, "C:\\Program Files\\MT4", "C:\\ignored", false, kMachine);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"{app}", "{bootdir}", "{windir}", "{winsysdir}", "{mydocuments}",
                                                   "{desktop}", "{temp}", "{virtualstore}", "{virtualstoreapp}",
                                                   "{experts}", "{indicators}", "{scripts}", "{templates}",
                                                   "{metatrader}", "{vsmetatrader}", "{include}", "{libraries}",
                                                   "{files}", "{presets}", "{images}"}));
  EXPECT_EQ(ExpandPlaceholders("{experts}\\A.ex4", list), "C:\\Program Files\\MT4\\experts\\A.ex4");
  EXPECT_EQ(list.Value("{indicators}"), "C:\\Program Files\\MT4\\experts\\indicators");
  EXPECT_EQ(list.Value("{scripts}"), "C:\\Program Files\\MT4\\scripts");
  EXPECT_EQ(list.Value("{templates}"), "C:\\Program Files\\MT4\\templates");
  EXPECT_EQ(list.Value("{metatrader}"), "C:\\Program Files\\MT4");
  EXPECT_EQ(list.Value("{vsmetatrader}"), kStore + "\\Program Files\\MT4");
  const std::string experts = "C:\\Program Files\\MT4\\experts";
  for (const auto& [name, folder] : {std::pair{"{include}", "\\include"}, {"{libraries}", "\\libraries"},
                                     {"{files}", "\\files"}, {"{presets}", "\\presets"}, {"{images}", "\\images"}})
    EXPECT_EQ(list.Value(name), experts + folder) << name;

  // A folder given with a trailing backslash keeps it.
  SetTerminalPlaceholders(list, "D:\\MT4\\", "", false, kMachine);
  EXPECT_EQ(list.Value("{experts}"), "D:\\MT4\\\\experts");
}

TEST(TerminalPlaceholders, NewLayoutUsesTheDataFolderAndLaterTerminalsOverwriteInPlace) {
  TPlaceholderList list;
  BuildPlaceholders(list, "Tool", kMachine);
  SetTerminalPlaceholders(list, "C:\\MT4 old", "", false, kMachine);
  const std::string data = "C:\\Users\\ann\\AppData\\Roaming\\MetaQuotes\\Terminal\\ABC";
  SetTerminalPlaceholders(list, "C:\\Program Files\\MT4", data, true, kMachine);
  ASSERT_EQ(list.Count(), 20);
  EXPECT_EQ(list[9].Name, "{experts}");
  EXPECT_EQ(list[9].Value, data + "\\MQL4\\Experts");
  EXPECT_EQ(list.Value("{indicators}"), data + "\\MQL4\\Indicators");
  EXPECT_EQ(list.Value("{scripts}"), data + "\\MQL4\\Scripts");
  EXPECT_EQ(list.Value("{templates}"), data + "\\templates");
  EXPECT_EQ(list.Value("{metatrader}"), data);
  for (const auto& [name, folder] : {std::pair{"{include}", "\\MQL4\\Include"}, {"{libraries}", "\\MQL4\\Libraries"},
                                     {"{files}", "\\MQL4\\Files"}, {"{presets}", "\\MQL4\\Presets"},
                                     {"{images}", "\\MQL4\\Images"}})
    EXPECT_EQ(list.Value(name), data + folder) << name;
  // Always the installation folder as listed, never the data folder.
  EXPECT_EQ(list[14].Value, kStore + "\\Program Files\\MT4");
  EXPECT_EQ(ExpandPlaceholders("{METATRADER}\\{vsmetatrader}", list),
            data + "\\" + kStore + "\\Program Files\\MT4");
}

// Targets that would leave their folder, name a device or a stream, or lose
// their name to Windows' trimming are refused with the part at fault.
TEST(TargetPathProblem, RefusesEveryPartThatIsNoPlainName) {
  const std::pair<const char*, const char*> cases[] = {
      {"{app}\\x.txt", ""},
      {"{TEMP}setup.exe", ""},
      {"{temp}\\setup.exe", ""},
      {"{libraries}\\Sub\\Lib.dll", ""},
      {"C:\\Tools\\x.exe", ""},
      {"\\\\server\\share\\x.ex4", ""},
      {"", "is empty"},
      {"x.txt", "must begin with a placeholder"},
      {"C:x.txt", "must begin with a placeholder"},
      {"{expert}\\a", "unknown placeholder {expert}"},
      {"{app\\a", "without its"},
      {"{app}", "names a folder"},
      {"{app}\\Sub\\", "names a folder"},
      {"\\\\server\\share", "names a network share"},
      {"\\\\\\share\\x", "the part \"\""},
      {"\\\\?\\C:\\x", "the part \"?\""},
      {"{app}\\x.txt:ads", "the part \"x.txt:ads\", which cannot be a file or folder name: it holds the character \":\""},
      {"{app}\\CON", "the part \"CON\", which cannot be a file or folder name: it is a device name"},
      {"{app}\\lpt9.log\\x", "it is a device name"},
      {"{app}\\x.txt.", "it ends with a dot or a blank"},
      {"{app}\\Sub \\x", "it ends with a dot or a blank"},
      {"{app}\\..\\..\\Windows\\x.txt", "the part \"..\""},
      {"{temp}..\\x", "the part \"..\""},
      {"{app}\\.\\x", "the part \".\""},
      {"{app}\\a\tb", "control character"},
      {"{app}\\{bootdir}\\x", "placeholder {bootdir} after its start"},
      {"{app}\\a{x}b", "unknown placeholder {x}"},
  };
  for (const auto& [path, problem] : cases) {
    const std::string found = TargetPathProblem(path);
    if (*problem == 0) EXPECT_EQ(found, "") << path;
    else EXPECT_NE(found.find(problem), std::string::npos) << path << ": " << found;
  }
}

TEST(TerminalPlaceholders, EveryTerminalPlaceholderMakesATerminalPath) {
  for (const char* name : kTerminalPlaceholders) EXPECT_TRUE(IsTerminalPath(std::string(name) + "\\x")) << name;
  EXPECT_TRUE(IsTerminalPath("{LIBRARIES}\\x.dll"));
  EXPECT_FALSE(IsTerminalPath("{app}\\files\\x.txt"));
}

}  // namespace
}  // namespace zp
