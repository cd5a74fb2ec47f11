// Reading TOML projects: every key lands in its field, paths are taken
// relative to the project file, and every kind of bad input is refused with
// one line naming the file, the line, the field and the problem.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "TestFiles.h"
#include "zpbuild/BuilderOS.h"
#include "zpbuild/FilePatterns.h"
#include "zpbuild/ProjectReader.h"

namespace zp {
namespace {

using namespace test;

// A project folder with the files the projects below refer to.
class ProjectFolder : public ::testing::Test {
protected:
  void SetUp() override {
    Write(scratch / "proj/files/a.mq4", "indicator a");
    Write(scratch / "proj/files/helper.exe", "MZ helper");
    Write(scratch / "proj/docs/license.rtf", "{\\rtf1 licence}");
    Write(scratch / "proj/docs/readme.txt", "read me");
    Write(scratch / "proj/docs/utf8.txt", "caf\xC3\xA9");
    Write(scratch / "proj/banner.jpg", Read(DemoFile("banner.jpg")));
    const std::string splash = Read(DemoFile("splash.jpg"));
    Write(scratch / "proj/cut.jpg", splash.substr(0, splash.size() / 2));
    Write(scratch / "proj/lang/de.toml", "1 = \"Weiter\"\n2 = \"Zur\xC3\xBC" "ck\"\n");
  }

  TLoadedProject Load(const std::string& toml, const std::vector<std::string>& overrides = {}) {
    Write(project, toml);
    TLoadOptions options;
    options.Overrides = overrides;
    return LoadProject(project, options);
  }

  // The message of the error that loading `toml` raises.
  std::string ErrorOf(const std::string& toml, const std::vector<std::string>& overrides = {}) {
    try {
      Load(toml, overrides);
    } catch (const EProjectError& e) {
      return e.Message();
    } catch (const std::exception& e) {
      return std::string("wrong exception: ") + e.what();
    }
    return "no error";
  }

  TScratch scratch;
  const std::string project = scratch / "proj/p.toml";
};

TEST_F(ProjectFolder, EveryKeyLandsInItsField) {
  const TLoadedProject loaded = Load(R"(
output = "out/Setup.exe"
key = "000102030405060708090a0b0c0d0eFF"

[product]
name = "Demo caf)" "\xC3\xA9" R"("
version = "2.17"
build = 5
release = 6
publisher = "Pub"
website = "https://w.example"
address = "Street 1"
contact = "Jane"
email = "j@w.example"

[texts]
license = "docs/license.rtf"
readme = "docs/readme.txt"
whats_new = "docs/license.rtf"

[pictures]
banner = "banner.jpg"

[terminal]
settings = "10 1"

[translations]
include = "lang/de.toml"
2 = "Vorige"
301 = "Kopiere %1 ..."

[[files]]
source = "files/a.mq4"
target = "{indicators}/sub/a.mq4"
shortcut = "Demo\\A"
desktop_shortcut = true
keep_newer = true
keep_on_uninstall = true
created = 2024-01-02T03:04:05.5+02:00
modified = 2024-01-02

[[files]]
source = "files/a.mq4"
target = 'C:\Fixed\a.mq4'

[[execs]]
source = "files/helper.exe"
path = '{temp}helper.exe'
parameters = "helper /q"
stage = 1
modified = 2020-06-30T23:59:59

[[execs]]
external = true
path = '{windir}\notepad.exe'
title = "Notepad"
)");
  const TProject& p = loaded.Project;
  EXPECT_EQ(loaded.OutputPath, scratch / "proj/out/Setup.exe");
  EXPECT_TRUE(loaded.Warnings.empty());
  ASSERT_TRUE(p.Key);
  EXPECT_EQ((*p.Key)[1], 0x01);
  EXPECT_EQ((*p.Key)[15], 0xFF);
  EXPECT_EQ(p.ProgramName, "Demo caf\xC3\xA9");  // UTF-8, as the package marks it
  EXPECT_EQ(p.VersionMajor, 2);
  EXPECT_EQ(p.VersionMinor, 17);
  EXPECT_EQ(p.Build, 5);
  EXPECT_EQ(p.Release, 6);
  EXPECT_EQ(p.Publisher, "Pub");
  EXPECT_EQ(p.Website, "https://w.example");
  EXPECT_EQ(p.Address, "Street 1");
  EXPECT_EQ(p.ContactName, "Jane");
  EXPECT_EQ(p.Email, "j@w.example");
  EXPECT_EQ(p.License, "{\\rtf1 licence}");
  EXPECT_EQ(p.Readme, "read me");
  EXPECT_EQ(p.WhatsNew, "{\\rtf1 licence}");
  EXPECT_EQ(p.Banner, DemoBytes("banner.jpg"));
  EXPECT_TRUE(p.Splash.empty());
  EXPECT_EQ(p.TerminalSettings, "10 1");
  ASSERT_EQ(p.Translations.size(), 3u);  // sorted by id, the included ones too
  EXPECT_EQ(p.Translations[0].Id, 1);
  EXPECT_EQ(p.Translations[0].Text, "Weiter");  // stays UTF-8
  EXPECT_EQ(p.Translations[1].Text, "Vorige");  // the project's own text wins over the included one
  EXPECT_EQ(p.Translations[2].Id, 301);

  ASSERT_EQ(p.Files.size(), 2u);
  const TProjectFile& f = p.Files[0];
  EXPECT_EQ(f.Content.SourcePath, scratch / "proj/files/a.mq4");
  EXPECT_EQ(f.Path, "{indicators}\\sub\\a.mq4");
  EXPECT_EQ(f.ShortcutName, "Demo\\A");
  EXPECT_TRUE(f.DesktopShortcut && f.KeepNewer && f.KeepOnUninstall);
  uint64_t created = 0, modified = 0;
  ASSERT_TRUE(CivilToFileTime(2024, 1, 2, 1, 4, 5, 500000000, created));  // 03:04:05.5 at +02:00
  ASSERT_TRUE(CivilToFileTime(2024, 1, 2, 0, 0, 0, 0, modified));
  EXPECT_EQ(f.CreationTime, created);
  EXPECT_EQ(f.LastWriteTime, modified);
  EXPECT_EQ(f.LastWriteTime, 133486272000000000ULL);  // 2024-01-02 00:00 UTC as a FILETIME
  EXPECT_FALSE(p.Files[1].CreationTime || p.Files[1].LastWriteTime || p.Files[1].DesktopShortcut);

  ASSERT_EQ(p.Execs.size(), 2u);
  EXPECT_FALSE(p.Execs[0].External);
  EXPECT_EQ(p.Execs[0].Content.SourcePath, scratch / "proj/files/helper.exe");
  EXPECT_EQ(p.Execs[0].Title, "helper.exe");  // the file name when no title is given
  EXPECT_EQ(p.Execs[0].Parameters, "helper /q");
  EXPECT_EQ(p.Execs[0].Stage, stBeforeFiles);
  EXPECT_FALSE(p.Execs[0].CreationTime);
  EXPECT_TRUE(p.Execs[0].LastWriteTime);
  EXPECT_TRUE(p.Execs[1].External);
  EXPECT_EQ(p.Execs[1].Title, "Notepad");
  EXPECT_EQ(p.Execs[1].Stage, stAfterFiles);
}

TEST_F(ProjectFolder, MinimalProjectTakesTheDefaults) {
  const TLoadedProject loaded = Load("[product]\nname = \"Min\"\n");
  EXPECT_EQ(loaded.OutputPath, scratch / "proj/p.exe");
  EXPECT_EQ(loaded.Project.VersionMajor, 1);
  EXPECT_EQ(loaded.Project.VersionMinor, 0);
  EXPECT_FALSE(loaded.Project.Key);
  // A package that installs nothing is allowed, but worth a word.
  ASSERT_EQ(loaded.Warnings.size(), 1u);
  EXPECT_NE(loaded.Warnings[0].find("installs no files"), std::string::npos);
}

TEST_F(ProjectFolder, WarnsAboutUnknownTextIdsAndUtf8PlainText) {
  const TLoadedProject loaded = Load(
      "[product]\nname = \"W\"\n[texts]\nreadme = \"docs/utf8.txt\"\n[translations]\n99999 = \"x\"\n"
      "[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\n");
  ASSERT_EQ(loaded.Warnings.size(), 2u);
  EXPECT_NE(loaded.Warnings[0].find("texts.readme"), std::string::npos);
  EXPECT_NE(loaded.Warnings[1].find("no text 99999"), std::string::npos);
}

struct TBadProject {
  const char* Toml;
  const char* Where;    // "LINE: FIELD" as the message gives it after the file name
  const char* Problem;  // a part of the message
};

const TBadProject kBadProjects[] = {
    {"colour = 1\n[product]\nname = \"x\"\n", "1: colour", "unknown key"},
    {"output = \"x.exe\"\n", "1: product", "[product] table is missing"},
    {"[product]\nnmae = \"x\"\nname = \"x\"\n", "2: product.nmae", "unknown key; did you mean \"name\"?"},
    {"[product]\nversion = \"1.0\"\n", "1: product.name", "is missing"},
    {"[product]\nname = \"\"\n", "2: product.name", "is empty"},
    {"[product]\nname = \"..\"\n", "2: product.name", "\"..\" cannot be a folder name: it is \"..\""},
    {"[product]\nname = \"Gold/Silver\"\n", "2: product.name", "cannot be a folder name: it holds the character \"/\""},
    {"[product]\nname = \"LPT1\"\n", "2: product.name", "cannot be a folder name: it is a device name"},
    {"[product]\nname = \"EA.\"\n", "2: product.name", "cannot be a folder name: it ends with a dot or a blank"},
    {"[product]\nname = \"x\"\npublisher = \"A/S\"\nwebsite = \"a.example\"\n", "3: product.publisher",
     "names the web site's shortcut and cannot be part of a file name: it holds the character \"/\""},
    {"[product]\nname = \"x\"\nversion = \"1.x\"\n", "3: product.version", "is not a version such as"},
    {"[product]\nname = \"x\"\nversion = 1.2\n", "3: product.version", "must be a string"},
    {"[product]\nname = \"x\"\nbuild = -1\n", "3: product.build", "-1 is not in 0.."},
    {"[product]\nname = \"x\"\nbuild = \"3\"\n", "3: product.build", "must be an integer"},
    {"key = \"0011\"\n[product]\nname = \"x\"\n", "1: key", "32 hexadecimal digits"},
    {"[product]\nname = \"x\n", "2", "not a valid string"},
    {"[product]\nname = \"x\"\n[texts]\nlicense = \"docs/none.rtf\"\n", "4: texts.license", "does not exist"},
    {"[product]\nname = \"x\"\n[texts]\nmanual = \"docs/readme.txt\"\n", "4: texts.manual", "unknown key"},
    {"[product]\nname = \"x\"\n[pictures]\nbanner = \"docs/readme.txt\"\n", "4: pictures.banner",
     "is not a readable JPEG image"},
    {"[product]\nname = \"x\"\n[pictures]\nsplash = \"cut.jpg\"\n", "4: pictures.splash",
     "is not a readable JPEG image"},
    {"[product]\nname = \"x\"\n[terminal]\nsettings = \"102\"\n", "4: terminal.settings", "only \"0\", \"1\" and blanks"},
    {"[product]\nname = \"x\"\n[terminal]\nsettings = \"101010101\"\n", "4: terminal.settings", "more than 8"},
    {"[product]\nname = \"x\"\n[translations]\nnext = \"Weiter\"\n", "4: translations.next", "unknown key"},
    {"[product]\nname = \"x\"\n[translations]\n301 = 5\n", "4: translations.301", "must be a string"},
    {"[product]\nname = \"x\"\n[translations]\n301 = \"\xF0\x9F\x98\x80\"\n", "4: translations.301", "beyond U+FFFF"},
    {"files = 3\n[product]\nname = \"x\"\n", "1: files", "array of tables"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/none.mq4\"\ntarget = '{app}\\a'\n", "4: files[1].source",
     "does not exist"},
    {"[product]\nname = \"x\"\n[[files]]\ntarget = '{app}\\a'\n", "3: files[1].source", "is missing"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\n", "3: files[1].target", "is missing"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{expert}\\a'\n", "5: files[1].target",
     "unknown placeholder {expert}; did you mean {experts}?"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = 'a.mq4'\n", "5: files[1].target",
     "must begin with a placeholder"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/*.ex4\"\ntarget = '{app}'\n", "4: files[1].source",
     "\"files/*.ex4\" matches no file"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"nowhere/*.ex4\"\ntarget = '{app}'\n", "4: files[1].source",
     "matches no file"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files\"\ntarget = '{app}'\nshortcut = \"x\"\n",
     "6: files[1].shortcut", "a shortcut needs an entry that installs one file; this one installs 2"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\A.mq4'\n[[files]]\n"
     "source = \"files/*\"\ntarget = '{APP}'\n",
     "8: files[2].target", "\"{APP}\\a.mq4\" is installed by files[1] (line 5) too"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\nshortcut = \"A?\"\n",
     "6: files[1].shortcut", "the part \"A?\" cannot be a file name: it holds the character \"?\""},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\nshortcut = 'Tools\\..\\A'\n",
     "6: files[1].shortcut", "the part \"..\" cannot be a file name: it is \"..\""},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\nshortcut = 'Tools\\Con'\n",
     "6: files[1].shortcut", "the part \"Con\" cannot be a file name: it is a device name"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\nshortcut = '\\A'\n",
     "6: files[1].shortcut", "the part \"\" cannot be a file name: it is empty"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\ndesktop_shortcut = true\n",
     "6: files[1].desktop_shortcut", "needs a shortcut name"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\nkeep_newer = \"yes\"\n",
     "6: files[1].keep_newer", "true or false"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\nmodified = \"today\"\n",
     "6: files[1].modified", "date and time"},
    {"[product]\nname = \"x\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\ncreated = 1600-12-31\n",
     "6: files[1].created", "before the year 1601"},
    {"[product]\nname = \"x\"\n[[execs]]\nexternal = true\npath = '{app}\\a.exe'\nstage = 4\n", "6: execs[1].stage",
     "4 is not a stage"},
    {"[product]\nname = \"x\"\n[[execs]]\nexternal = true\npath = '{app}\\a.exe'\nstage = \"2\"\n",
     "6: execs[1].stage", "must be an integer"},
    {"[product]\nname = \"x\"\n[[execs]]\npath = '{app}\\a.exe'\n", "3: execs[1].source", "set external = true"},
    {"[product]\nname = \"x\"\n[[execs]]\nexternal = true\nsource = \"files/helper.exe\"\npath = '{app}\\a.exe'\n",
     "5: execs[1].source", "an external program has no source"},
    {"[product]\nname = \"x\"\n[[execs]]\nexternal = true\npath = '{app}\\a.exe'\nmodified = 2024-01-01\n",
     "6: execs[1].modified", "takes no times"},
};

TEST_F(ProjectFolder, BadInputIsNamedByFileLineAndField) {
  for (const TBadProject& bad : kBadProjects) {
    SCOPED_TRACE(bad.Toml);
    const std::string message = ErrorOf(bad.Toml);
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_EQ(message.rfind(project + ":" + bad.Where + ":", 0), 0u) << message;
    EXPECT_NE(message.find(bad.Problem), std::string::npos) << message;
  }
}

const char kSmallProject[] =
    "[product]\nname = \"A\"\nversion = \"1.0\"\n[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\a'\n";

// The problems of a project as a list, one line each.
std::vector<std::string> ErrorLines(const std::function<void()>& load) {
  try {
    load();
  } catch (const EProjectErrors& e) {
    return e.Lines();
  }
  return {};
}

TEST_F(ProjectFolder, VersionsFillMajorMinorBuildAndRelease) {
  const std::tuple<const char*, int32_t, int32_t, int32_t, int32_t> cases[] = {
      {"1.7", 1, 7, 0, 0}, {"1.7.3", 1, 7, 3, 0}, {"1.7.3.4", 1, 7, 3, 4}, {"10.0.2024", 10, 0, 2024, 0}};
  for (const auto& [version, major, minor, build, release] : cases) {
    const TProject p = Load(kSmallProject, {std::string("product.version=") + version}).Project;
    EXPECT_EQ(std::make_tuple(p.VersionMajor, p.VersionMinor, p.Build, p.Release),
              std::make_tuple(major, minor, build, release)) << version;
  }
  for (const char* bad : {"1", "1.", "1.7.3.4.5", "1..3", "1.7.-3", "1.7.3a", "1.99999999999"})
    EXPECT_NE(ErrorOf(kSmallProject, {std::string("product.version=") + bad}).find("is not a version"),
              std::string::npos) << bad;
  // A build or release given twice is a slip, not a choice.
  EXPECT_EQ(ErrorOf(kSmallProject, {"product.version=1.7.3", "product.build=4"}),
            "--set product.build=4: product.build: the version gives the build already");
  EXPECT_EQ(Load(kSmallProject, {"product.version=1.7.3", "product.release=4"}).Project.Release, 4);
}

TEST_F(ProjectFolder, FlattenPutsEveryMatchIntoTheTargetFolder) {
  for (const char* name : {"src/a/One.mq4", "src/b/deep/Two.mq4", "src/c/one.MQ4", "src/Three.mq4"})
    Write(scratch / ("proj/" + std::string(name)), name);
  const char* const project = "[product]\nname = \"P\"\n[[files]]\nsource = \"src/**/T*.mq4\"\n"
                              "target = '{indicators}'\nflatten = true\n";
  std::vector<std::string> targets;
  for (const TProjectFile& f : Load(project).Project.Files) targets.push_back(f.Path);
  EXPECT_EQ(targets, (std::vector<std::string>{"{indicators}\\Three.mq4", "{indicators}\\Two.mq4"}));
  // Two matches of one name clash, ignoring case, and both sources are named.
  const std::vector<std::string> lines = ErrorLines([&] { Load(project, {"files[1].source=src/**/*.mq4"}); });
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("files[1].target: \"{indicators}\\one.MQ4\" is installed by this entry twice, from \"" +
                          scratch / "proj/src/a/One.mq4" + "\" and \"" + scratch / "proj/src/c/one.MQ4" + "\""),
            std::string::npos) << lines[0];
}

TEST_F(ProjectFolder, EveryProblemIsNamedUpToACap) {
  std::string toml = "[product]\nname = \"P\"\npublsher = \"x\"\n";
  for (int i = 0; i < 60; ++i)
    toml += "[[files]]\nsource = \"files/a.mq4\"\ntarget = '{app}\\x" + std::to_string(i) + ".txt.'\n";
  const std::vector<std::string> lines = ErrorLines([&] { Load(toml); });
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines[0], project + ":3: product.publsher: unknown key; did you mean \"publisher\"?");
  EXPECT_EQ(lines[49].rfind(project + ":" + std::to_string(6 + 3 * 48) + ": files[49].target: \"{app}\\x48.txt.\"", 0),
            0u) << lines[49];
  try {
    Load(toml);
  } catch (const EProjectErrors& e) {
    EXPECT_TRUE(e.Stopped());
  }
}

#ifndef _WIN32
// A file too large for the package's 32-bit positions is named by its entry
// and line before anything is read of it (sparse: nothing on disk).
TEST_F(ProjectFolder, AFileBeyondTheSizeLimitNamesItsEntry) {
  Write(scratch / "proj/big.bin", "");
  fs::resize_file(scratch / "proj/big.bin", uint64_t(1) << 31);
  const std::vector<std::string> lines = ErrorLines(
      [&] { Load("[product]\nname = \"P\"\n[[files]]\nsource = \"big.bin\"\ntarget = '{app}\\big.bin'\n"); });
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], project + ":4: files[1].source: \"" + scratch / "proj/big.bin" +
                          "\" is 2147483648 bytes, beyond the 2 GiB limit of a package file");
  EXPECT_NE(lines[1].find("the contents add up to"), std::string::npos) << lines[1];
}
#endif

TEST_F(ProjectFolder, WarningsNameTheirLine) {
  const TLoadedProject loaded = Load("[product]\nname = \"W\"\n[translations]\n\n99999 = \"x\"\n");
  ASSERT_EQ(loaded.Warnings.size(), 2u);
  EXPECT_EQ(loaded.Warnings[0], project + ":5: translations.99999: the installer has no text 99999");
  EXPECT_EQ(loaded.Warnings[1].rfind(project + ":1: files: the package installs no files", 0), 0u) << loaded.Warnings[1];
}

TEST_F(ProjectFolder, ErrorsInAnIncludedFileNameThatFile) {
  Write(scratch / "proj/lang/bad.toml", "1 = \"ok\"\nfile = \"x\"\n");
  const std::string message =
      ErrorOf("[product]\nname = \"x\"\n[translations]\ninclude = \"lang/bad.toml\"\n");
  EXPECT_EQ(message.rfind(scratch / "proj/lang/bad.toml" + ":2: file: unknown key", 0), 0u) << message;
}

TEST(FilePatterns, MatchNamesIgnoringCase) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"*.ex4", "Trend.EX4", true}, {"*.ex4", "trend.ex4.bak", false}, {"a?c", "abc", true}, {"a?c", "ac", false},
      {"*a*b", "xaxxb", true},      {"*a*b", "xaxxbc", false},         {"*", "x", true},     {"T*d*", "trend", true},
  };
  for (const auto& [pattern, name, matches] : cases) EXPECT_EQ(MatchName(pattern, name), matches) << pattern << " " << name;
}

TEST_F(ProjectFolder, FoldersAndPatternsExpandInAStableOrder) {
  for (const char* name : {"src/B.ex4", "src/a.ex4", "src/sub/c.ex4", "src/sub/deep/d.EX4", "src/readme.txt", "src/x.mq4"})
    Write(scratch / ("proj/" + std::string(name)), name);
  const TLoadedProject loaded = Load(R"(
[product]
name = "P"
[[files]]
source = "src/*.ex4"
target = '{indicators}'
[[files]]
source = "src/**/*.ex4"
target = '{experts}\Lib\'
keep_newer = true
[[files]]
source = "src/sub"
target = '{app}\docs'
[[files]]
source = 'src\?.mq4'
target = "{scripts}/"
[[files]]
source = 'src\readme.txt'
target = '{app}\'
)");
  std::vector<std::string> targets;
  for (const TProjectFile& f : loaded.Project.Files) targets.push_back(f.Path);
  EXPECT_EQ(targets, (std::vector<std::string>{
                         "{indicators}\\a.ex4", "{indicators}\\B.ex4", "{experts}\\Lib\\a.ex4", "{experts}\\Lib\\B.ex4",
                         "{experts}\\Lib\\sub\\c.ex4", "{experts}\\Lib\\sub\\deep\\d.EX4", "{app}\\docs\\c.ex4",
                         "{app}\\docs\\deep\\d.EX4", "{scripts}\\x.mq4", "{app}\\readme.txt"}));
  const auto& files = loaded.Project.Files;
  ASSERT_EQ(files.size(), 10u);
  EXPECT_EQ(files[5].Content.SourcePath, scratch / "proj/src/sub/deep/d.EX4");
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(files[i].KeepNewer, i >= 2 && i < 6) << i;
}

#ifndef _WIN32
// A dangling link is a file that the build cannot read (and names then), not
// a folder that cannot be listed.
TEST_F(ProjectFolder, FolderWithADanglingLinkIsListed) {
  Write(scratch / "proj/src/a.ex4", "a");
  fs::create_symlink(scratch / "proj/none", scratch / "proj/src/b.ex4");
  const TLoadedProject loaded = Load("[product]\nname = \"P\"\n[[files]]\nsource = \"src\"\ntarget = '{experts}'\n");
  ASSERT_EQ(loaded.Project.Files.size(), 2u);
  EXPECT_EQ(loaded.Project.Files[1].Path, "{experts}\\b.ex4");
}
#endif

TEST_F(ProjectFolder, SetReplacesAndAddsValuesBeforeTheyAreRead) {
  const TLoadedProject loaded =
      Load(kSmallProject, {"product.version=1.3", "product.build=42", "product.name=Big Name", "key=" + std::string(32, 'a'),
                           "texts.readme=docs/readme.txt", "translations.118=Fertig: %1", "files[1].keep_newer=true",
                           "files[1].modified=2024-01-02", "product.build=43"});
  const TProject& p = loaded.Project;
  EXPECT_EQ(p.ProgramName, "Big Name");
  EXPECT_EQ(p.VersionMajor, 1);
  EXPECT_EQ(p.VersionMinor, 3);
  EXPECT_EQ(p.Build, 43);  // the last setting wins
  ASSERT_TRUE(p.Key);
  EXPECT_EQ((*p.Key)[0], 0xAA);
  EXPECT_EQ(p.Readme, "read me");
  ASSERT_EQ(p.Translations.size(), 1u);
  EXPECT_EQ(p.Translations[0].Text, "Fertig: %1");
  ASSERT_EQ(p.Files.size(), 1u);
  EXPECT_TRUE(p.Files[0].KeepNewer);
  EXPECT_EQ(p.Files[0].LastWriteTime, 133486272000000000ULL);
}

TEST_F(ProjectFolder, BadSettingsAreNamedLikeLinesOfTheFile) {
  const std::pair<const char*, const char*> bad[] = {
      {"product.nmae=x", "product.nmae: unknown key; did you mean \"name\"?"},
      {"nosuch.a=1", "nosuch: unknown key"},
      {"product.build=abc", "product.build: must be an integer"},
      {"product.build=-1", "product.build: -1 is not in 0..2147483647"},
      {"product.version=1.x",
       "product.version: \"1.x\" is not a version such as \"1.2\", \"1.7.3\" or \"1.7.3.4\" (MAJOR.MINOR[.BUILD[.RELEASE]])"},
      {"files[1].keep_newer=yes", "files[1].keep_newer: must be true or false"},
      {"files[1].target={expert}\\a", "files[1].target: \"{expert}\\a\" uses the unknown placeholder {expert}; did you mean {experts}?"},
      {"files[3].target=x", "files[3]: the project has 1 [[files]] tables"},
      {"files[0].target=x", "files[0]: an index is written [1], [2], ..."},
      {"execs[1].path=x", "execs[1]: the project has no [[execs]] tables"},
      {"product.name.x=1", "product.name: is not a table"},
      {"product..name=1", "product.: a part of the key is empty"},
      {"build", "build: must be KEY=VALUE, such as product.build=12"},
  };
  for (const auto& [setting, message] : bad)
    EXPECT_EQ(ErrorOf(kSmallProject, {setting}), "--set " + std::string(setting) + ": " + message);
}

TEST_F(ProjectFolder, AMissingProjectFileIsNamed) {
  try {
    LoadProject(scratch / "proj/none.toml");
    FAIL() << "no error";
  } catch (const EOSError& e) {
    EXPECT_NE(e.Message().find("none.toml"), std::string::npos);
  }
}

}  // namespace
}  // namespace zp
