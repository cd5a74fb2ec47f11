// The installation run: the package's programs at their stages, every file
// record into every chosen terminal, the expert options, the information
// files and shortcuts, the uninstaller and its registration. Every action is
// one line of the progress log through Report.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Strings.h"
#include "base/WinHandles.h"
#include "engine/FileSystem.h"
#include "engine/PackageContents.h"
#include "engine/PeImage.h"
#include "engine/Placeholders.h"
#include "engine/RunFiles.h"
#include "engine/RunUtils.h"
#include "engine/ShellLink.h"
#include "engine/SysFolders.h"
#include "engine/ZpClasses.h"
#include "engine/ZpUtils.h"
#include "package/Content.h"
#include "package/SubStreams.h"
#include "strings/TextIds.h"

namespace zp {
namespace {

constexpr DWORD kWaitSlice = 200;  // ms between two looks at the message queue

struct TRunFolders {
  std::string Program;    // program files + "\" + ProgramName
  std::string StartMenu;  // all users' start-menu programs + "\" + ProgramName
};

// Creates the folders of the files a run writes. Files come in runs of the
// same folder, so the folder just made is not looked at again.
// Every folder it creates is recorded for the uninstaller, parents before
// children; folders that were there before are not.
class TFolderMaker {
public:
  TFolderMaker(TFileSystem& fs, std::vector<TMarkedString>& uninstallList) : fs_(fs), uninstallList_(uninstallList) {}

  // True when this call or the one before it for the same folder created it:
  // then nothing can be in it but what the run put there.
  bool Make(const std::string& folder) {
    if (made_ && folder == last_) return new_;
    const std::vector<std::string> created = fs_.ForceDirectories(folder);
    for (const std::string& path : created)  // parents first
      if (!IsRecorded(path)) uninstallList_.push_back({path, umFolder});
    last_ = folder;
    made_ = true;
    new_ = !created.empty() && SameTextAscii(created.back(), folder);  // (innermost last)
    return new_;
  }

private:
  bool IsRecorded(const std::string& folder) const {
    return std::any_of(uninstallList_.begin(), uninstallList_.end(), [&](const TMarkedString& entry) {
      return entry.Marker == umFolder && SameTextAscii(entry.Text, folder);
    });
  }

  TFileSystem& fs_;
  std::vector<TMarkedString>& uninstallList_;
  std::string last_;
  bool made_ = false;
  bool new_ = false;
};

// Makes `fs` the layer of `engine`'s steps for as long as it lives.
class TUseFileSystem {
public:
  TUseFileSystem(TFileSystem*& slot, TFileSystem& fs) : slot_(slot) { slot_ = &fs; }
  ~TUseFileSystem() { slot_ = nullptr; }
  TUseFileSystem(const TUseFileSystem&) = delete;
  TUseFileSystem& operator=(const TUseFileSystem&) = delete;

private:
  TFileSystem*& slot_;
};


TRunFolders RunFolders(const std::string& programName) {
  return {GetSpecialFolder(TSpecialFolder::ProgramFiles) + "\\" + programName,
          GetSpecialFolder(TSpecialFolder::CommonPrograms) + "\\" + programName};
}

// Unpacks one content of the package into a new file at `path` and gives
// the file its times as far as Windows takes them. A stored CRC is checked on
// the way. A content that does not arrive whole and sound (a read error, a
// full disk, damaged bytes) leaves no file behind: the terminal would load a
// cut-off add-on.
// Gives `identity`, when asked for, the identity of the file written (volume
// and file index): a query that costs a file's worth of time under some
// systems, so only programs that are started ask for it.
void WriteContent(TFileSystem& fs, TPackageContents& contents, const TContentRef& content, const std::string& path,
                  uint64_t creationTime, uint64_t lastWriteTime, TFileIdentity* identity = nullptr) {
  std::optional<TFileStream> file;
  try {
    file.emplace(fs.Create(path));
    const uint32_t crc = contents.Write(content, *file);
    if (content.Crc && crc != *content.Crc)
      throw EZpError("The installer is damaged: " + path +
                     " did not unpack as it was packed (its checksum does not match). Please download the "
                     "installer again.");
    SetFileTimes(*file, creationTime, lastWriteTime);
    if (identity) *identity = IdentityOf(*file);
  } catch (...) {
    if (file) {
      file.reset();  // closed, so that it can go
      fs.Delete(path);
    }
    throw;
  }
}

// Clears the way for a new file at `path`: true when nothing is there (any
// more), false when an existing file cannot be deleted (read-only, in use, a
// folder of that name). The attribute query needs no handle, which counts on
// a package of many small files.
bool RemoveForReplacement(TFileSystem& fs, const std::string& path) {
  if (GetFileAttributesW(W(WidePath(path))) == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
  }
  return fs.Delete(path) != TDeleteResult::Failed;
}

// The shell writes the link by its path: its folder is checked, and a file
// or link already there goes first, so the shell never writes through one.
void SaveLink(TFileSystem& fs, const std::string& target, const std::string& workingFolder, const std::string& link) {
  fs.ForceDirectories(ExtractFileDir(link));
  fs.Delete(link);
  TShellLink shellLink;
  shellLink.Path = target;
  shellLink.WorkingDirectory = workingFolder;
  shellLink.Save(link);
}

void WriteTextFile(TFileSystem& fs, const std::string& path, const std::string& text) {
  TFileStream file = fs.Create(path);
  file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

// Starts `program` with exactly `parameters` as its command line, calls
// `onStarted` once it runs, and waits for it to end, calling `onWaiting`
// after every slice it is still running. False when it cannot be started.
bool RunProgram(const std::string& program, const std::string& parameters, const std::function<void()>& onStarted,
                const std::function<void()>& onWaiting) {
  std::u16string commandLine = Utf8ToWide(parameters);
  commandLine.push_back(u'\0');
  const std::string folder = ExtractFileDir(program);
  const std::u16string wideFolder = WidePath(folder);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  TProcessInfo process;
  if (!CreateProcessW(W(WidePath(program)), reinterpret_cast<wchar_t*>(&commandLine[0]), nullptr, nullptr, FALSE, 0,
                      nullptr, folder.empty() ? nullptr : W(wideFolder), &startup, process.Out()))
    return false;
  onStarted();
  while (WaitForSingleObject(process.Process(), kWaitSlice) == WAIT_TIMEOUT) {
    if (onWaiting) onWaiting();
  }
  return true;
}

// Takes the bytes written to it and compares them with what `file` holds
// at the same place; Same() once all of the file was met.
class TCompareStream : public TStream {
public:
  explicit TCompareStream(TStream& file) : file_(file) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    std::vector<uint8_t> held(static_cast<size_t>(count));
    if (file_.Read(held.data(), count) != count || std::memcmp(held.data(), buffer, held.size()) != 0) same_ = false;
    return count;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
  bool Same() {
    uint8_t extra;
    return same_ && file_.Read(&extra, 1) == 0;
  }

private:
  TStream& file_;
  bool same_ = true;
};

// The program written for an execute record, held open from here until its
// process has started, so that nobody can change or replace it in between;
// nothing when the file held is not, byte for byte, the one written (it was
// changed between writing and holding).
std::unique_ptr<TFileStream> HoldWrittenProgram(TFileSystem& fs, TPackageContents& contents,
                                              const TZpInstallExec& record, const std::string& path,
                                              const TFileIdentity& written) {
  auto held = std::make_unique<TFileStream>(fs.OpenLocked(path));
  if (!(IdentityOf(*held) == written)) return nullptr;
  TCompareStream compare(*held);
  contents.Write(ContentOf(record), compare);
  if (!compare.Same()) return nullptr;
  return held;
}

// One file record into the terminal whose placeholders `list` holds.
void InstallFile(TZpInstall& engine, TFileSystem& fs, TPackageContents& contents, const TPlaceholderList& list,
                 const TZpInstallFile& record, const TRunFolders& folders, TFolderMaker& folderMaker) {
  const std::string target = ExpandPlaceholders(record.Path, list);
  const bool newFolder = folderMaker.Make(ExtractFileDir(target));

  uint64_t existingTime = 0;
  // The time lookup is also the existence test: no file, nothing to keep.
  const bool copy =
      !record.KeepNewer || !FindLastWriteTime(target, existingTime) || existingTime < record.LastWriteTime;
  if (copy) {
    engine.Report(engine.GetText(idCopyingFile, target), 1);
    std::string refused;
    bool replaceable = false;
    try {
      // In a folder of this run's own nothing is in the way (and a file
      // planted meanwhile goes when the new one is created).
      replaceable = newFolder || RemoveForReplacement(fs, target);
    } catch (const ELinkRefused& e) {
      refused = e.Message();  // a link to elsewhere where one cannot be told from its target
    }
    if (replaceable) {
      WriteContent(fs, contents, ContentOf(record), target, record.CreationTime, record.LastWriteTime);
      // Recorded once it is there: a failed write leaves nothing to remove.
      if (!record.KeepOnUninstall) engine.UninstallList.push_back({target, umFile});
    } else {
      engine.Report(engine.GetText(idCannotOverwrite, target), 0);
      if (!refused.empty()) engine.Report(Utf8ToWide(refused), 0);
    }
  } else {
    engine.Report(engine.GetText(idSkippingNewer, ExtractFileName(target), target), 1);
  }

  if (record.ShortcutName.empty()) return;
  std::string link = folders.StartMenu + "\\" + record.ShortcutName + ".lnk";
  const std::string workingFolder = ExtractFileDir(target);
  SaveLink(fs, target, workingFolder, link);
  if (record.DesktopShortcut) {
    engine.UninstallList.push_back({link, umFile});
    link = GetSpecialFolder(TSpecialFolder::Desktop, true) + record.ShortcutName + ".lnk";
    SaveLink(fs, target, workingFolder, link);
  }
  engine.UninstallList.push_back({link, umFile});
}

}  // namespace

void TZpInstall::Run() {
  // The name becomes the program folder, the start-menu folder and the
  // registry key: one that is no single name would put them elsewhere.
  const std::string nameProblem = FileNameProblem(ProgramName);
  if (!nameProblem.empty())
    throw EZpError("This installer is damaged: its program name \"" + ProgramName +
                   "\" cannot be a folder name (" + nameProblem + "). Nothing was installed.");
  if (const std::string problem = TargetProblem(); !problem.empty()) throw EZpError(problem);
  const int32_t targets = static_cast<int32_t>(Targets.size());
  ProgressDone = 0;
  ProgressTotal = (TerminalSettings.empty() ? 0 : targets) + targets * static_cast<int32_t>(Files.size()) +
                  static_cast<int32_t>(Execs.size()) + 10;

  const TRunFolders folders = RunFolders(ProgramName);
  UninstallList.push_back({folders.Program, umFolder});
  UninstallList.push_back({folders.StartMenu, umFolder});

  TFileSystem fs;
  const TUseFileSystem use(fs_, fs);
  AddRunRoots(fs, ProgramName);
  TPlaceholderList list;
  BuildPlaceholders(list, ProgramName);
  {
    TFileStream package(FileName, TFileMode::OpenRead);
    ExecuteRecords(package, list, esBeforeFiles);
    TPackageContents contents(package, *this);  // one decoder and dictionary for all files
    TFolderMaker folderMaker(fs, UninstallList);
    for (size_t i = 0; i < Targets.size(); ++i) {
      const std::string& terminal = Targets[i];
      const bool newLayout = IsNewTerminal(IncludeTrailingBackslash(terminal) + "terminal.exe");
      const std::string dataFolder = newLayout ? GetDataFolder(terminal) : terminal;
      fs.AddRoot(terminal);
      fs.AddRoot(dataFolder);
      SetTerminalPlaceholders(list, terminal, dataFolder, newLayout);
      for (const auto& record : Files) {
        if (i > 0 && !IsTerminalPath(record->Path)) continue;  // installed with the first terminal
        InstallFile(*this, fs, contents, list, *record, folders, folderMaker);
      }
    }
    ExecuteRecords(package, list, esAfterFiles);
  }

  if (!TerminalSettings.empty()) {
    for (const std::string& terminal : Targets) {
      Report(GetText(idTerminalSettings, terminal), 1);
      WriteExpertSettings(terminal);
    }
  }

  WriteInfoFile(folders.Program + "\\Readme.rtf", folders.StartMenu + "\\Readme.lnk", Readme);
  WriteInfoFile(folders.Program + "\\License.rtf", folders.StartMenu + "\\License.lnk", License);
  WriteInfoFile(folders.Program + "\\What's New.rtf", folders.StartMenu + "\\What's New.lnk", WhatsNew);
  const std::string website = WebsiteAddress(Website);
  if (!website.empty()) WriteUrlShortcut(folders.StartMenu + "\\" + SafeFileName(Publisher) + " Website.url", website);
  const std::string email = EmailAddress(ContactName, Email);
  if (!email.empty()) WriteUrlShortcut(folders.StartMenu + "\\Contact Email.url", email);
  WriteUninstaller(folders.Program + "\\Uninstall.exe", folders.StartMenu + "\\Uninstall.lnk");

  Report(GetText(idInstallDone), 1);
}

void TZpInstall::RunStage(int32_t stage) {
  if (const std::string problem = TargetProblem(); !problem.empty()) throw EZpError(problem);
  TFileSystem fs;
  const TUseFileSystem use(fs_, fs);
  AddRunRoots(fs, ProgramName);
  TPlaceholderList list;
  BuildPlaceholders(list, ProgramName);
  TFileStream package(FileName, TFileMode::OpenRead);
  ExecuteRecords(package, list, stage);
}

void TZpInstall::ExecuteRecords(TStream& package, const TPlaceholderList& placeholders, int32_t stage) {
  TFileSystem& fs = *fs_;
  TPackageContents contents(package, *this);
  for (const auto& record : Execs) {
    if ((record->Stage & 0xFF) != stage) continue;
    const std::string program = ExpandPlaceholders(record->Path, placeholders);
    std::unique_ptr<TFileStream> held;
    if (!record->External) {
      fs.ForceDirectories(ExtractFileDir(program));
      fs.MakeWritable(program);
      TFileIdentity written;
      WriteContent(fs, contents, ContentOf(*record), program, record->CreationTime, record->LastWriteTime, &written);
      held = HoldWrittenProgram(fs, contents, *record, program, written);
      if (!held) {
        Report(Utf8ToWide("WARNING: " + program + " was changed by another program after it was written; " +
                          record->Title + " is not started ..."),
               1);
        continue;
      }
    }
    if (PathExists(program)) {
      Report(GetText(idExecuting, record->Title), 1);
      // Held until its process runs, not longer: a program may delete itself.
      RunProgram(program, record->Parameters, [&] { held.reset(); }, OnWaiting);  // one that cannot start is passed over
    } else {
      Report(GetText(idMissingProgram, record->Title), 1);
    }
  }
}

void TZpInstall::WriteExpertSettings(const std::string& folder) {
  TFileSystem& fs = *fs_;
  PadExpertSettings(TerminalSettings);
  const std::string path = IncludeTrailingBackslash(folder) + "config\\experts.ini";
  fs.ForceDirectories(ExtractFileDir(path));
  TExpertSettings settings = NewExpertSettings();
  if (PathExists(path)) {
    TFileStream file = fs.OpenRead(path);
    file.Read(settings.data(), static_cast<int64_t>(settings.size()));
  }
  ApplyExpertSettings(settings, TerminalSettings);
  fs.MakeWritable(path);
  TFileStream file = fs.Create(path);
  file.WriteBuffer(settings.data(), static_cast<int64_t>(settings.size()));
}

void TZpInstall::WriteInfoFile(const std::string& file, const std::string& link, const std::string& text) {
  if (text.empty()) return;
  TFileSystem& fs = *fs_;
  Report(GetText(idCopyingFile, file), 1);
  UninstallList.push_back({file, umFile});
  fs.ForceDirectories(ExtractFileDir(file));
  WriteTextFile(fs, file, TextLines(text));

  Report(GetText(idCreatingShortcut, link), 1);
  UninstallList.push_back({link, umFile});
  SaveLink(fs, file, ExtractFileDir(file), link);
}

void TZpInstall::WriteUrlShortcut(const std::string& file, const std::string& address) {
  if (address.empty() || address == "mailto:" || address == "http://") return;
  TFileSystem& fs = *fs_;
  Report(GetText(idCreatingShortcut, file), 1);
  UninstallList.push_back({file, umFile});
  fs.ForceDirectories(ExtractFileDir(file));
  WriteTextFile(fs, file, InternetShortcutText(address));
}

void TZpInstall::WriteUninstaller(const std::string& exe, const std::string& link) {
  TFileSystem& fs = *fs_;
  UninstallList.push_back({link, umFile});
  Report(GetText(idCreatingUninstaller), 1);

  // Without an uninstaller the installation is still good: a failure here
  // only leaves the old file (or none), and never a half-written one.
  const std::string temporary = ChangeFileExt(exe, ".tmp");
  try {
    fs.ForceDirectories(ExtractFileDir(exe));
    {
      TFileStream installer(FileName, TFileMode::OpenRead);
      fs.MakeWritable(temporary);
      TFileStream uninstaller = fs.Create(temporary);
      const int64_t image = ReadPackagePosition(installer);
      if (image < 0) throw EZpError("The installer holds no package position: " + FileName);
      installer.SetPosition(0);
      uninstaller.CopyFrom(installer, image);
      uninstaller.Seek(0, TSeekOrigin::End);
      AppendUninstallData(uninstaller);
      // A signed installer's image names a certificate table at its own end,
      // which the copy does not have.
      DetachSignature(uninstaller);
    }
    fs.MakeWritable(exe);
    fs.Delete(exe);
    fs.Rename(temporary, exe);
  } catch (const std::exception&) {
    try {
      fs.Delete(temporary);
    } catch (const std::exception&) {
      // a folder that leads elsewhere holds no file of ours
    }
  }

  Report(GetText(idRegisteringUninstaller), 1);
  RegisterUninstaller(ProgramName, exe);
  SaveLink(fs, exe, ExtractFileDir(exe), link);
}

}  // namespace zp
