#include <ostream>

#include "BuilderOS.h"
#include "PackageReader.h"
#include "PackageWriter.h"
#include "ProjectReader.h"
#include "base/Strings.h"
#include "picture/JpegImage.h"

namespace zp {
namespace {

// A source path as UTF-8. Paths are UTF-8 but for a folder that a system
// other than Windows names in bytes of another encoding: those are shown as
// Windows-1252 rather than as broken characters.
std::string NativeToUtf8(const std::string& path) { return IsUtf8(path) ? path : AnsiToUtf8(path); }

void ListSource(const TContent& content, std::ostream& out) {
  if (!content.FromFile()) {
    out << "      from memory, " << content.Bytes.size() << " bytes\n";
    return;
  }
  int64_t size = -1;
  try {
    size = TFileStream(content.SourcePath, TFileMode::OpenRead).Size();
  } catch (const EZpError&) {
  }
  out << "      from \"" << NativeToUtf8(content.SourcePath) << "\", ";
  if (size < 0) out << "unreadable\n";
  else out << size << " bytes\n";
}

std::string Times(const TProject& project, const TContent& content, const std::optional<uint64_t>& created,
                  const std::optional<uint64_t>& modified) {
  const TFileTimes times = StoredTimes(project, content, created, modified);
  return ListTimes(times.CreationTime, times.LastWriteTime);
}

std::string Picture(const std::vector<uint8_t>& bytes) {
  TJpegImage image;
  try {
    image.LoadFromBytes(bytes);
  } catch (const EZpError& e) {
    return "unreadable: " + e.Message();
  }
  return PictureKind(image);
}

}  // namespace

void ListProject(const TLoadedProject& loaded, std::ostream& out, const std::string& image) {
  const TProject& p = loaded.Project;
  out << "Output: \"" << NativeToUtf8(loaded.OutputPath) << "\"\n";
  if (!image.empty()) out << "Program image: " << image << "\n";
  out << "Program name: " << ListQuoted(p.ProgramName) << "\n"
      << "Version: " << p.VersionMajor << "." << p.VersionMinor << "\n"
      << "Build: " << p.Build << "\n"
      << "Release: " << p.Release << "\n"
      << "Publisher: " << ListQuoted(p.Publisher) << "\n"
      << "Website: " << ListQuoted(p.Website) << "\n"
      << "Address: " << ListQuoted(p.Address) << "\n"
      << "Contact: " << ListQuoted(p.ContactName) << "\n"
      << "Email: " << ListQuoted(p.Email) << "\n"
      << "License: " << DocumentKind(p.License) << "\n"
      << "Readme: " << DocumentKind(p.Readme) << "\n"
      << "What's new: " << DocumentKind(p.WhatsNew) << "\n"
      << "Terminal settings: " << ListQuoted(p.TerminalSettings) << "\n"
      << "Key: " << (p.Key ? "given" : "derived from the package") << "\n"
      << "Banner: " << (p.Banner.empty() ? "none" : Picture(p.Banner)) << "\n"
      << "Splash: " << (p.Splash.empty() ? "none" : Picture(p.Splash)) << "\n"
      << "Translations: " << p.Translations.size() << "\n";
  out << "Files: " << p.Files.size() << "\n";
  for (size_t i = 0; i < p.Files.size(); ++i) {
    const TProjectFile& f = p.Files[i];
    out << "  [" << i + 1 << "] " << ListQuoted(f.Path) << "\n";
    ListSource(f.Content, out);
    out << "      " << Times(p, f.Content, f.CreationTime, f.LastWriteTime) << "\n"
        << "      " << ListFileOptions(f.ShortcutName, f.DesktopShortcut, f.KeepNewer, f.KeepOnUninstall) << "\n";
  }
  out << "Programs: " << p.Execs.size() << "\n";
  for (size_t i = 0; i < p.Execs.size(); ++i) {
    const TProjectExec& x = p.Execs[i];
    out << "  [" << i + 1 << "] " << ListQuoted(x.Path) << "\n"
        << "      " << ListExecKind(x.Stage, x.External, x.Title, x.Parameters) << "\n";
    if (x.External) continue;
    ListSource(x.Content, out);
    out << "      " << Times(p, x.Content, x.CreationTime, x.LastWriteTime) << "\n";
  }
}

}  // namespace zp
