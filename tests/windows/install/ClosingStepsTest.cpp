// The closing steps of a run: information files with their shortcuts, the web
// and e-mail shortcuts, Uninstall.exe with the uninstall data, and the
// registration in the list of installed programs.
#include <windows.h>

#include <cstring>

#include "InstallFixture.h"
#include "engine/PeImage.h"
#include "engine/RunUtils.h"

namespace zp {
namespace {

using ::testing::ElementsAre;

std::string RegistryValue(const std::string& key, const char* name) {
  char value[1024] = "";
  DWORD size = sizeof value;
  const LONG result = RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
  return result == ERROR_SUCCESS ? value : "<missing>";
}

class ClosingSteps : public TInstallTest {};

TEST_F(ClosingSteps, WriteInformationFilesShortcutsUninstallerAndRegistration) {
  TProject project;
  project.Readme = "Line one\nLine two";
  project.License = "{\\rtf1 licence}\r\n";
  project.Website = " https://example.com/ea ";
  project.Publisher = "Acme";
  project.ContactName = "Jane Roe";
  project.Email = "jane@example.com";
  project.Translations = {{999, "\xC3\x9C" "bersetzt"}, {302, "Verkn\xC3\xBCpfung %1"}};
  project.Files = {FileRecord("{app}\\Tool.txt", "tool")};
  project.Files[0].ShortcutName = "Tool";
  const std::string installer = BuildInstaller(project);
  const std::string app = places_.ProgramFolder, menu = places_.StartMenuFolder;

  TZpInstall engine;
  Load(engine, installer, {OldTerminal("T")});
  engine.Run();

  EXPECT_EQ(ReadText(app + "\\Readme.rtf"), "Line one\r\nLine two\r\n");
  EXPECT_EQ(ReadText(app + "\\License.rtf"), "{\\rtf1 licence}\r\n");
  EXPECT_FALSE(Exists(app + "\\What's New.rtf"));
  EXPECT_FALSE(Exists(menu + "\\What's New.lnk"));
  EXPECT_EQ(ReadText(menu + "\\Acme Website.url"), "[InternetShortcut]\r\nURL=https://example.com/ea\r\n\r\n");
  EXPECT_EQ(ReadText(menu + "\\Contact Email.url"),
            "[InternetShortcut]\r\nURL=mailto:Jane Roe <jane@example.com>\r\n\r\n");
  EXPECT_THAT(log_.Texts(),
              ElementsAre(Copying(app + "\\Tool.txt"), Copying(app + "\\Readme.rtf"),
                          "Verkn\xC3\xBCpfung " + menu + "\\Readme.lnk", Copying(app + "\\License.rtf"),
                          "Verkn\xC3\xBCpfung " + menu + "\\License.lnk", "Verkn\xC3\xBCpfung " + menu + "\\Acme Website.url",
                          "Verkn\xC3\xBCpfung " + menu + "\\Contact Email.url", "Creating unistaller ...",
                          "Registering unistaller ...", "Done."));

  const std::string key = UninstallKeyPath(places_.ProgramName);
  EXPECT_EQ(RegistryValue(key, "DisplayName"), places_.ProgramName);
  EXPECT_EQ(RegistryValue(key, "UninstallString"), '"' + app + "\\Uninstall.exe\"") << "quoted: C:\\Program.exe is not run";
  EXPECT_EQ(RegistryValue(key, "DisplayIcon"), app + "\\Uninstall.exe");

  // Uninstall.exe: the installer's program image, then the record of the run.
  const std::string image = ReadText(installer).substr(0, size_t(layout_.PackagePosition));
  const std::string uninstaller = ReadText(app + "\\Uninstall.exe");
  EXPECT_EQ(uninstaller.substr(0, image.size()), image);
  EXPECT_EQ(uninstaller.substr(image.size(), 4), "ZPUN");
  EXPECT_FALSE(Exists(app + "\\Uninstall.tmp"));
  TZpUninstall record;
  record.LoadFromFile(app + "\\Uninstall.exe");
  EXPECT_EQ(record.ProgramName, places_.ProgramName);
  EXPECT_EQ(record.Publisher, "Acme");
  EXPECT_EQ(record.Website, " https://example.com/ea ");
  EXPECT_EQ(record.Email, "jane@example.com");
  EXPECT_THAT(record.Folders, ElementsAre(app, menu));
  EXPECT_THAT(record.Files, ElementsAre(app + "\\Tool.txt", menu + "\\Tool.lnk", app + "\\Readme.rtf",
                                        menu + "\\Readme.lnk", app + "\\License.rtf", menu + "\\License.lnk",
                                        menu + "\\Acme Website.url", menu + "\\Contact Email.url",
                                        menu + "\\Uninstall.lnk"));
  ASSERT_EQ(record.Translations.Count(), 2);
  EXPECT_EQ(record.Translations.Items(0).Id, 999);
  EXPECT_EQ(record.Translations.Items(0).Text, "\xC3\x9C" "bersetzt");
  EXPECT_EQ(record.Translations.Items(1).Id, 302);

  ExpectLinkForLnkinfo(menu + "\\Tool.lnk", "Tool.lnk", app + "\\Tool.txt", app);
  ExpectLinkForLnkinfo(menu + "\\Readme.lnk", "Readme.lnk", app + "\\Readme.rtf", app);
  ExpectLinkForLnkinfo(menu + "\\Uninstall.lnk", "Uninstall.lnk", app + "\\Uninstall.exe", app);
}

TEST_F(ClosingSteps, NameTheWebShortcutAfterThePublisherAndSkipBareSchemes) {
  TProject project;
  project.Website = "www.example.com";
  project.Email = "a@b.c";
  const std::string installer = BuildInstaller(project);
  TZpInstall engine;
  Load(engine, installer, {});
  engine.Run();
  const std::string menu = places_.StartMenuFolder;
  EXPECT_EQ(ReadText(menu + "\\ Website.url"), "[InternetShortcut]\r\nURL=http://www.example.com\r\n\r\n");
  EXPECT_EQ(ReadText(menu + "\\Contact Email.url"), "[InternetShortcut]\r\nURL=mailto:a@b.c\r\n\r\n");

  TZpInstall bare;
  bare.LoadFromFile(installer);
  bare.Website = "http://";
  bare.Email = "";
  DeleteTree(menu);
  bare.Run();
  EXPECT_FALSE(Exists(menu + "\\ Website.url"));
  EXPECT_FALSE(Exists(menu + "\\Contact Email.url"));
}

TEST_F(ClosingSteps, AnUninstallerThatCannotBeReplacedLeavesNoTemporaryFile) {
  const std::string installer = BuildInstaller(TProject());
  const std::string exe = places_.ProgramFolder + "\\Uninstall.exe";
  WriteText(exe, "previous uninstaller");
  // Held open without delete sharing: it can be neither deleted nor replaced.
  TScopedHandle held(CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);

  TZpInstall engine;
  Load(engine, installer, {});
  engine.Run();
  held.Reset();

  EXPECT_EQ(ReadText(exe), "previous uninstaller");
  EXPECT_FALSE(Exists(places_.ProgramFolder + "\\Uninstall.tmp"));
  EXPECT_EQ(RegistryValue(UninstallKeyPath(places_.ProgramName), "UninstallString"), '"' + exe + '"');
  EXPECT_TRUE(Exists(places_.StartMenuFolder + "\\Uninstall.lnk"));
  EXPECT_THAT(log_.Texts(), ElementsAre("Creating unistaller ...", "Registering unistaller ...", "Done."));
}

// The certificate table entry of a PE image (data directory 4) and its checksum.
struct TSignatureFields {
  uint32_t Offset, Size, Checksum;
};
TSignatureFields SignatureFieldsOf(const std::string& bytes) {
  uint32_t header, fields[3];
  std::memcpy(&header, &bytes[0x3C], 4);
  const size_t optional = header + 24;
  const bool plus = bytes[optional] == 0x0B && bytes[optional + 1] == 0x02;
  std::memcpy(&fields[0], &bytes[optional + (plus ? 144 : 128)], 8);
  std::memcpy(&fields[2], &bytes[optional + 64], 4);
  return {fields[0], fields[1], fields[2]};
}

TEST_F(ClosingSteps, AnUninstallerCopiedFromASignedImageCarriesNoCertificateEntry) {
  const std::string installer = BuildInstaller(TProject());
  const std::string exe = places_.ProgramFolder + "\\Uninstall.exe";
  const std::string unsignedImage = ReadText(installer).substr(0, size_t(layout_.PackagePosition));
  {
    TZpInstall engine;
    Load(engine, installer, {});
    engine.Run();
    EXPECT_EQ(ReadText(exe).substr(0, unsignedImage.size()), unsignedImage) << "an unsigned image is copied unchanged";
  }

  // Signed as a signing tool does it: a certificate table after everything,
  // named by the image's directory entry (the image's bytes 136..139 keep
  // the package position).
  std::string signedInstaller = ReadText(installer);
  while (signedInstaller.size() % 8 != 0) signedInstaller += '\0';
  uint32_t header;
  std::memcpy(&header, &signedInstaller[0x3C], 4);
  const size_t optional = header + 24;
  const bool plus = signedInstaller[optional] == 0x0B && signedInstaller[optional + 1] == 0x02;
  const uint32_t table[2] = {uint32_t(signedInstaller.size()), 512};
  std::memcpy(&signedInstaller[optional + (plus ? 144 : 128)], table, 8);
  signedInstaller += std::string(512, '\x5A');
  WriteText(installer, signedInstaller);
  places_.Clear();
  TZpInstall engine;
  Load(engine, installer, {});
  engine.Run();

  const std::string uninstaller = ReadText(exe);
  const TSignatureFields fields = SignatureFieldsOf(uninstaller);
  EXPECT_EQ(fields.Offset, 0u);
  EXPECT_EQ(fields.Size, 0u);
  TMemoryStream stream(std::vector<uint8_t>(uninstaller.begin(), uninstaller.end()));
  EXPECT_EQ(fields.Checksum, PeChecksum(stream, int64_t(optional + 64)));
  TZpUninstall record;
  record.LoadFromFile(exe);
  EXPECT_EQ(record.ProgramName, places_.ProgramName) << "the uninstall data is intact";
}

}  // namespace
}  // namespace zp
