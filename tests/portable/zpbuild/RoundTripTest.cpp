// Packages built by the builder read back field for field and byte for byte:
// through the builder's own reader and extractor, and through the
// installer's loader.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "TestFiles.h"
#include "engine/ZpClasses.h"
#include "package/Streams.h"
#include "zpbuild/BuilderOS.h"
#include "zpbuild/ContentKey.h"
#include "zpbuild/PackageReader.h"
#include "zpbuild/PackageWriter.h"

namespace zp {
namespace {

using namespace test;

constexpr TContentKey kKey = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                              0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
constexpr uint64_t kTime1 = 133500000000000000ULL + 1234567;  // 2024, with a fraction
constexpr uint64_t kTime2 = 0x01D0000080000001ULL;            // both halves with the top bit set

// Every field set, texts in Cyrillic, Greek and Chinese, contents at the block
// boundaries and one of a few hundred KB read from a file.
TProject FullProject(const TScratch& scratch) {
  TProject p;
  p.ProgramName = "Zp Round Trip \xC3\xA9t\xC3\xA9 \xD0\x9F\xD1\x80\xD0\xBE";
  p.VersionMajor = 3, p.VersionMinor = 14, p.Build = 159, p.Release = 2;
  p.Publisher = "\xCE\x95\xCE\xBA\xCE\xB4\xCF\x8C\xCF\x84\xCE\xB7\xCF\x82 \xE2\x82\xAC Ltd", p.Website = "https://example.com/zp", p.Address = "1 Main St\r\nTown";
  p.ContactName = "J. Doe", p.Email = "jd@example.com";
  p.License = "{\\rtf1\\ansi licence \\'e9}";
  p.Readme = "plain readme\r\nline two";
  p.WhatsNew = "";
  p.Banner = DemoBytes("banner.jpg");
  p.Splash = DemoBytes("splash.jpg");
  p.Translations = {{1, "Weiter"}, {2, "Zur\xC3\xBC" "ck"}, {301, "Kopiere %1 ..."}};
  p.TerminalSettings = "1 0";
  p.Key = kKey;
  const size_t sizes[] = {0, 15, 16, 17};
  for (size_t i = 0; i < 4; ++i) {
    TProjectFile f;
    f.Path = "{experts}\\size" + std::to_string(sizes[i]) + ".ex4";
    f.Content = TContent::FromBytes(Bytes(Pattern(sizes[i], unsigned(i + 1))));
    f.CreationTime = kTime1 + i, f.LastWriteTime = kTime2 + i;
    f.ShortcutName = i == 1 ? "Group\\Short \xC3\xA9 \xE8\xB6\x8B" : "";
    f.DesktopShortcut = i == 1, f.KeepNewer = i == 2, f.KeepOnUninstall = i == 3;
    p.Files.push_back(f);
  }
  Write(scratch / "big.bin", Pattern(300 * 1024 + 5, 9));
  TProjectFile big;
  big.Path = "{app}\\data\\big.bin";
  big.Content = TContent::FromFile(scratch / "big.bin");  // times from the file
  p.Files.push_back(big);

  TProjectExec external;
  external.External = true, external.Path = "{windir}\\notepad.exe", external.Title = "Notepad";
  external.Parameters = "notepad \"x y\"", external.Stage = stWizardStart;
  p.Execs.push_back(external);
  TProjectExec carried;
  carried.Path = "{temp}helper.exe", carried.Title = "Helper", carried.Parameters = "helper /q";
  carried.Stage = stWizardClose, carried.Content = TContent::FromBytes(Bytes(Pattern(33, 7)));
  carried.CreationTime = kTime2, carried.LastWriteTime = kTime1;
  p.Execs.push_back(carried);
  return p;
}

std::string ContentOf(const TContent& content) {
  return content.FromFile() ? Read(content.SourcePath) : std::string(content.Bytes.begin(), content.Bytes.end());
}

class RoundTrip : public ::testing::Test {
protected:
  void SetUp() override {
    project = FullProject(scratch);
    stub = SyntheticStubImage();
    setup = scratch / "setup.exe";
    layout = BuildPackage(project, stub, setup);
  }

  TScratch scratch;
  TProject project;
  std::vector<uint8_t> stub;
  std::string setup;
  TPackageLayout layout;
};

TEST_F(RoundTrip, FileHasImageThenTagStreamThenBlocksBackToBack) {
  const std::string file = Read(setup);
  ASSERT_EQ(static_cast<int64_t>(file.size()), layout.FileSize);
  EXPECT_FALSE(fs::exists(setup + ".tmp"));

  // The image is unchanged but for the package position at 136..139.
  uint32_t position = 0;
  std::memcpy(&position, file.data() + 136, 4);
  EXPECT_EQ(position, stub.size());
  EXPECT_EQ(layout.PackagePosition, static_cast<int64_t>(stub.size()));
  std::string image = file.substr(0, stub.size());
  std::memset(&image[136], 0, 4);
  EXPECT_EQ(image, std::string(stub.begin(), stub.end()));
  EXPECT_EQ(file.substr(stub.size(), 4), "ZPIN");

  int64_t next = layout.ContentPosition;
  for (const auto* list : {&layout.Files, &layout.Execs})
    for (const TRecordLayout& at : *list) {
      if (at.Size == 0) continue;  // the external program
      EXPECT_EQ(at.Offset, next);
      EXPECT_EQ(at.Size, (at.ContentSize / 16 + 1) * 16);
      next += at.Size;
    }
  EXPECT_EQ(next, layout.FileSize);
  EXPECT_EQ(layout.Files[0].Size, 16);  // empty content: the final block only
  EXPECT_EQ(layout.Files[1].Size, 16);
  EXPECT_EQ(layout.Files[2].Size, 32);
  EXPECT_EQ(layout.Files[3].Size, 32);
}

TEST_F(RoundTrip, ReaderGivesBackEveryField) {
  const auto read = ReadPackage(setup);
  ASSERT_TRUE(read->Load.HasData);
  EXPECT_TRUE(read->Load.Complete);
  EXPECT_EQ(read->Load.DataEnd, layout.ContentPosition);
  EXPECT_EQ(read->Load.KeyLength, 16);
  EXPECT_TRUE(read->Load.Problems.empty());
  const TZpInstall& info = read->Package;
  EXPECT_EQ(info.ProgramName, project.ProgramName);
  EXPECT_EQ(info.VersionMajor, 3);
  EXPECT_EQ(info.VersionMinor, 14);
  EXPECT_EQ(info.Build, 159);
  EXPECT_EQ(info.Release, 2);
  EXPECT_EQ(info.Publisher, project.Publisher);
  EXPECT_EQ(info.Website, project.Website);
  EXPECT_EQ(info.Address, project.Address);
  EXPECT_EQ(info.ContactName, project.ContactName);
  EXPECT_EQ(info.Email, project.Email);
  EXPECT_EQ(info.License, project.License);
  EXPECT_EQ(info.Readme, project.Readme);
  EXPECT_EQ(info.WhatsNew, "");
  EXPECT_EQ(info.TerminalSettings, "1 0");
  EXPECT_EQ(info.Key, kKey);
  EXPECT_EQ(info.Banner.Bytes(), project.Banner);
  EXPECT_EQ(info.Splash.Bytes(), project.Splash);
  ASSERT_EQ(info.Translations.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(info.Translations.Items(i).Id, project.Translations[size_t(i)].Id);
    EXPECT_EQ(info.Translations.Items(i).Text, project.Translations[size_t(i)].Text);
  }
  const TFileTimes bigTimes = GetFileTimes(project.Files[4].Content.SourcePath);
  ASSERT_EQ(info.Files.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const TZpInstallFile& got = *info.Files[i];
    const TProjectFile& want = project.Files[i];
    EXPECT_EQ(got.Path, want.Path);
    // A file without times stores its last-write time as both.
    EXPECT_EQ(got.CreationTime, want.CreationTime.value_or(bigTimes.LastWriteTime));
    EXPECT_EQ(got.LastWriteTime, want.LastWriteTime.value_or(bigTimes.LastWriteTime));
    EXPECT_EQ(got.ShortcutName, want.ShortcutName);
    EXPECT_EQ(got.DesktopShortcut, want.DesktopShortcut);
    EXPECT_EQ(got.KeepNewer, want.KeepNewer);
    EXPECT_EQ(got.KeepOnUninstall, want.KeepOnUninstall);
    EXPECT_EQ(got.Offset, layout.Files[i].Offset);
    EXPECT_EQ(got.Size, layout.Files[i].Size);
  }
  ASSERT_EQ(info.Execs.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const TZpInstallExec& got = *info.Execs[i];
    const TProjectExec& want = project.Execs[i];
    EXPECT_EQ(got.External, want.External);
    EXPECT_EQ(got.Path, want.Path);
    EXPECT_EQ(got.Title, want.Title);
    EXPECT_EQ(got.Parameters, want.Parameters);
    EXPECT_EQ(got.Stage, want.Stage);
    EXPECT_EQ(got.CreationTime, want.CreationTime.value_or(0));
    EXPECT_EQ(got.LastWriteTime, want.LastWriteTime.value_or(0));
    EXPECT_EQ(got.Offset, layout.Execs[i].Offset);
    EXPECT_EQ(got.Size, layout.Execs[i].Size);
  }
  EXPECT_EQ(info.Execs[0]->Size, 0);
  EXPECT_EQ(info.Execs[0]->Offset, 0);
}

TEST_F(RoundTrip, ExtractGivesBackEveryByteAndTime) {
  int written = 0;
  EXPECT_TRUE(ExtractPackage(setup, scratch / "out", &written).empty());
  EXPECT_EQ(written, 6 + 4);  // five files, the carried program, two texts and two pictures
  for (const TProjectFile& file : project.Files) {
    std::string relative = file.Path;
    for (char& c : relative)
      if (c == '\\') c = '/';
    const std::string path = scratch / ("out/" + relative);
    SCOPED_TRACE(path);
    EXPECT_EQ(Read(path), ContentOf(file.Content));
    if (file.LastWriteTime) {
      EXPECT_EQ(GetFileTimes(path).LastWriteTime, *file.LastWriteTime);
    }
  }
  EXPECT_EQ(Read(scratch / "out/{temp}helper.exe"), ContentOf(project.Execs[1].Content));
  EXPECT_FALSE(fs::exists(scratch / "out/{windir}"));
  EXPECT_TRUE(VerifyPackage(setup).empty());
}

TEST_F(RoundTrip, ListShowsEveryValueOnItsOwnLineAsUtf8) {
  std::ostringstream out;
  ListPackage(*ReadPackage(setup), out);
  const std::string text = out.str();
  for (const char* line : {"Program name: \"Zp Round Trip \xC3\xA9t\xC3\xA9 \xD0\x9F\xD1\x80\xD0\xBE\"\n", "Version: 3.14\n",
                           "Address: \"1 Main St\\r\\nTown\"\n", "Publisher: \"\xCE\x95\xCE\xBA\xCE\xB4\xCF\x8C\xCF\x84\xCE\xB7\xCF\x82 \xE2\x82\xAC Ltd\"\n",
                           "Key: 00112233445566778899aabbccddeeff\n", "  2 = \"Zur\xC3\xBC" "ck\"\n",
                           "  [1] \"{windir}\\notepad.exe\"\n      stage 0, external, title \"Notepad\", "
                           "parameters \"notepad \"x y\"\"\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(RoundTrip, InstallerLoaderReadsEveryField) {
  TZpInstall install;
  install.LoadFromFile(setup);
  EXPECT_EQ(install.ProgramName, project.ProgramName);
  EXPECT_EQ(install.VersionMajor, 3);
  EXPECT_EQ(install.VersionMinor, 14);
  EXPECT_EQ(install.Build, 159);
  EXPECT_EQ(install.Release, 2);
  EXPECT_EQ(install.Publisher, project.Publisher);
  EXPECT_EQ(install.Website, project.Website);
  EXPECT_EQ(install.Address, project.Address);
  EXPECT_EQ(install.ContactName, project.ContactName);
  EXPECT_EQ(install.Email, project.Email);
  EXPECT_EQ(install.License, project.License);
  EXPECT_EQ(install.Readme, project.Readme);
  EXPECT_EQ(install.WhatsNew, "");
  EXPECT_EQ(install.TerminalSettings, "1 0");
  EXPECT_EQ(install.Key, kKey);
  EXPECT_EQ(install.Banner.Bytes(), project.Banner);
  EXPECT_EQ(install.Banner.Width(), 160);
  EXPECT_EQ(install.Splash.Bytes(), project.Splash);
  ASSERT_EQ(install.Translations.Count(), 3);
  EXPECT_EQ(install.Translations.Items(1).Text, "Zur\xC3\xBC" "ck");
  EXPECT_EQ(install.GetText(301, "x"), u"Kopiere x ...");

  ASSERT_EQ(install.Execs.size(), 2u);
  EXPECT_TRUE(install.Execs[0]->External);
  EXPECT_EQ(install.Execs[1]->Path, "{temp}helper.exe");
  EXPECT_EQ(install.Execs[1]->Parameters, "helper /q");
  EXPECT_EQ(install.Execs[1]->Stage, stWizardClose);
  EXPECT_EQ(install.Execs[1]->CreationTime, kTime2);
  EXPECT_EQ(install.Execs[1]->LastWriteTime, kTime1);
  EXPECT_EQ(install.Execs[1]->Offset, layout.Execs[1].Offset);
  EXPECT_EQ(install.Execs[1]->Size, 48);
}

// The uninstaller is the installer's image with uninstall data in place of
// the package; it keeps the order of the entries and every translation.
TEST_F(RoundTrip, UninstallDataKeepsOrderAndTranslations) {
  TZpInstall install;
  install.LoadFromFile(setup);
  install.UninstallList = {{"C:\\Program Files\\Zp", umFolder}, {"C:\\a.txt", umFile},
                           {"C:\\Start\\Zp", umFolder},        {"C:\\b.txt", umFile},
                           {"C:\\c \xC3\xA9.txt", umFile}};
  const std::string uninstaller = scratch / "Uninstall.exe";
  Write(uninstaller, Read(setup).substr(0, static_cast<size_t>(layout.PackagePosition)));
  {
    TFileStream file(uninstaller, TFileMode::OpenReadWrite);
    file.Seek(0, TSeekOrigin::End);
    install.AppendUninstallData(file);
  }
  TZpUninstall uninstall;
  uninstall.LoadFromFile(uninstaller);
  EXPECT_EQ(uninstall.ProgramName, project.ProgramName);
  EXPECT_EQ(uninstall.VersionMinor, 14);
  EXPECT_EQ(uninstall.Email, project.Email);
  EXPECT_EQ(uninstall.Banner.Bytes(), project.Banner);
  EXPECT_EQ(uninstall.Folders, (std::vector<std::string>{"C:\\Program Files\\Zp", "C:\\Start\\Zp"}));
  EXPECT_EQ(uninstall.Files, (std::vector<std::string>{"C:\\a.txt", "C:\\b.txt", "C:\\c \xC3\xA9.txt"}));
  ASSERT_EQ(uninstall.Translations.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(uninstall.Translations.Items(i).Id, project.Translations[size_t(i)].Id);
    EXPECT_EQ(uninstall.Translations.Items(i).Text, project.Translations[size_t(i)].Text);
  }
  // The uninstaller holds no package: the builder's reader finds none.
  EXPECT_FALSE(ReadPackage(uninstaller)->Load.HasData);
}

// Without a key, the key is derived from everything the package holds: the
// same inputs give the same installer, any change another key.
TEST(Keys, ADerivedKeyFollowsEveryInput) {
  TScratch scratch;
  auto build = [&](const std::string& content, const std::string& path, bool checksums) {
    TProject project;
    project.ProgramName = "K";
    project.FixedTime = 133486272000000000ULL;
    project.ContentChecksums = checksums;
    TProjectFile f;
    f.Path = path;
    f.Content = TContent::FromBytes(Bytes(content));
    project.Files.push_back(f);
    const TPackageLayout layout = BuildPackage(project, SyntheticStubImage(), scratch / "k.exe");
    EXPECT_EQ(ReadPackage(scratch / "k.exe")->Package.Key, layout.Key);
    EXPECT_EQ(Read(scratch / "k.exe").find(content), std::string::npos);  // stored encrypted
    return std::make_pair(layout.Key, Read(scratch / "k.exe"));
  };
  for (bool checksums : {true, false}) {
    SCOPED_TRACE(checksums);
    const auto first = build("same content", "{app}\\a", checksums);
    EXPECT_NE(first.first, TContentKey{});
    EXPECT_EQ(build("same content", "{app}\\a", checksums), first);
    EXPECT_NE(build("same contenT", "{app}\\a", checksums).first, first.first);
    EXPECT_NE(build("same content", "{app}\\b", checksums).first, first.first);
  }
}

TEST(Keys, TheHashDoesNotDependOnHowTheBytesArrive) {
  const std::string bytes = Pattern(1000);
  THash64 whole(7);
  whole.Add(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  for (size_t piece : {1, 3, 31, 32, 33, 999}) {
    THash64 pieces(7);
    for (size_t at = 0; at < bytes.size(); at += piece)
      pieces.Add(reinterpret_cast<const uint8_t*>(bytes.data()) + at, std::min(piece, bytes.size() - at));
    EXPECT_EQ(pieces.Value(), whole.Value()) << piece;
  }
  EXPECT_NE(THash64(8).Value(), THash64(7).Value());
}

}  // namespace
}  // namespace zp
