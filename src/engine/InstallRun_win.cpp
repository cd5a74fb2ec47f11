// The installation run: the package's programs at their stages, every file
// record into every chosen terminal, the expert options, the information
// files and shortcuts, the uninstaller and its registration. Every action is
// one line of the progress log through Report.
#include <windows.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Strings.h"
#include "base/WinHandles.h"
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
  explicit TFolderMaker(std::vector<TMarkedString>& uninstallList) : uninstallList_(uninstallList) {}

  void Make(const std::string& folder) {
    if (made_ && folder == last_) return;
    std::vector<std::string> missing;  // deepest first
    for (std::string f = folder; !f.empty() && !IsFolder(f); f = ExtractFileDir(f)) {
      missing.push_back(f);
      if (ExtractFileDir(f) == f) break;  // a root that is not there
    }
    ForceDirectories(folder);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
      if (!IsRecorded(*it)) uninstallList_.push_back({*it, umFolder});
    last_ = folder;
    made_ = true;
  }

private:
  static bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WStr(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool IsRecorded(const std::string& folder) const {
    return std::any_of(uninstallList_.begin(), uninstallList_.end(), [&](const TMarkedString& entry) {
      return entry.Marker == umFolder && SameTextAscii(entry.Text, folder);
    });
  }

  std::vector<TMarkedString>& uninstallList_;
  std::string last_;
  bool made_ = false;
};

TRunFolders RunFolders(const std::string& programName) {
  return {GetSpecialFolder(TSpecialFolder::ProgramFiles) + "\\" + programName,
          GetSpecialFolder(TSpecialFolder::CommonPrograms) + "\\" + programName};
}

// Decrypts one content block of the package into a new file at `path` and
// gives the file its times as far as Windows takes them. A stored CRC is
// checked on the way. A content that does not arrive whole and sound (a read
// error, a full disk, damaged bytes) leaves no file behind: the terminal
// would load a cut-off add-on.
void WriteContent(TStream& package, const std::array<uint8_t, 16>& key, int32_t offset, int32_t size,
                  const std::optional<uint32_t>& expectedCrc, const std::string& path, uint64_t creationTime,
                  uint64_t lastWriteTime) {
  std::optional<TFileStream> file;
  try {
    file.emplace(path, TFileMode::Create);
    TSubStream window(package, offset, int64_t(offset) + size - 1);
    window.SetPosition(0);
    uint32_t crc = 0;
    DecryptContent(window, *file, key.data(), kContentKeyLength, expectedCrc ? &crc : nullptr);
    if (expectedCrc && crc != *expectedCrc)
      throw EZpError("The installer is damaged: " + path +
                     " did not unpack as it was packed (its checksum does not match). Please download the "
                     "installer again.");
    SetFileTimes(*file, creationTime, lastWriteTime);
  } catch (...) {
    if (file) {
      file.reset();  // closed, so that it can go
      DeleteFileW(WStr(path).c_str());
    }
    throw;
  }
}

// Clears the way for a new file at `path`: true when nothing is there (any
// more), false when an existing file cannot be deleted (read-only, in use, a
// folder of that name). The attribute query needs no handle, which counts on
// a package of many small files.
bool RemoveForReplacement(const std::string& path) {
  if (GetFileAttributesW(WStr(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
  }
  return DeleteFileW(WStr(path).c_str()) != 0;
}

void SaveLink(const std::string& target, const std::string& workingFolder, const std::string& link) {
  TShellLink shellLink;
  shellLink.Path = target;
  shellLink.WorkingDirectory = workingFolder;
  shellLink.Save(link);
}

void WriteTextFile(const std::string& path, const std::string& text) {
  TFileStream file(path, TFileMode::Create);
  file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

// Starts `program` with exactly `parameters` as its command line and waits
// for it to end, calling `onWaiting` after every slice it is still running.
// False when it cannot be started.
bool RunProgram(const std::string& program, const std::string& parameters, const std::function<void()>& onWaiting) {
  TWideText commandLine = WStr(parameters);  // CreateProcessW may write into it
  const TWideText folder = WStr(ExtractFileDir(program));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  TProcessInfo process;
  if (!CreateProcessW(WStr(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, process.Out()))
    return false;
  while (WaitForSingleObject(process.Process(), kWaitSlice) == WAIT_TIMEOUT) {
    if (onWaiting) onWaiting();
  }
  return true;
}

// One file record into the terminal whose placeholders `list` holds.
void InstallFile(TZpInstall& engine, TStream& package, const TPlaceholderList& list, const TZpInstallFile& record,
                 const TRunFolders& folders, TFolderMaker& folderMaker) {
  const std::string target = ExpandPlaceholders(record.Path, list);
  folderMaker.Make(ExtractFileDir(target));

  uint64_t existingTime = 0;
  // The time lookup is also the existence test: no file, nothing to keep.
  const bool copy =
      !record.KeepNewer || !FindLastWriteTime(target, existingTime) || existingTime < record.LastWriteTime;
  if (copy) {
    engine.Report(engine.GetText(idCopyingFile, target), 1);
    if (RemoveForReplacement(target)) {
      WriteContent(package, engine.Key, record.Offset, record.Size, record.Crc, target, record.CreationTime,
                   record.LastWriteTime);
      // Recorded once it is there: a failed write leaves nothing to remove.
      if (!record.KeepOnUninstall) engine.UninstallList.push_back({target, umFile});
    } else {
      engine.Report(engine.GetText(idCannotOverwrite, target), 0);
    }
  } else {
    engine.Report(engine.GetText(idSkippingNewer, ExtractFileName(target), target), 1);
  }

  if (record.ShortcutName.empty()) return;
  std::string link = folders.StartMenu + "\\" + record.ShortcutName + ".lnk";
  ForceDirectories(ExtractFileDir(link));
  const std::string workingFolder = ExtractFileDir(target);
  SaveLink(target, workingFolder, link);
  if (record.DesktopShortcut) {
    engine.UninstallList.push_back({link, umFile});
    link = GetSpecialFolder(TSpecialFolder::Desktop, true) + record.ShortcutName + ".lnk";
    SaveLink(target, workingFolder, link);
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

  TPlaceholderList list;
  BuildPlaceholders(list, ProgramName);
  {
    TFileStream package(FileName, TFileMode::OpenRead);
    ExecuteRecords(package, list, esBeforeFiles);
    TFolderMaker folderMaker(UninstallList);
    for (size_t i = 0; i < Targets.size(); ++i) {
      const std::string& terminal = Targets[i];
      const bool newLayout = IsNewTerminal(IncludeTrailingBackslash(terminal) + "terminal.exe");
      SetTerminalPlaceholders(list, terminal, newLayout ? GetDataFolder(terminal) : terminal, newLayout);
      for (const auto& record : Files) {
        if (i > 0 && !IsTerminalPath(record->Path)) continue;  // installed with the first terminal
        InstallFile(*this, package, list, *record, folders, folderMaker);
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
  TPlaceholderList list;
  BuildPlaceholders(list, ProgramName);
  TFileStream package(FileName, TFileMode::OpenRead);
  ExecuteRecords(package, list, stage);
}

void TZpInstall::ExecuteRecords(TStream& package, const TPlaceholderList& placeholders, int32_t stage) {
  for (const auto& record : Execs) {
    if ((record->Stage & 0xFF) != stage) continue;
    const std::string program = ExpandPlaceholders(record->Path, placeholders);
    if (!record->External) {
      ForceDirectories(ExtractFileDir(program));
      MakeWritable(program);
      WriteContent(package, Key, record->Offset, record->Size, record->Crc, program, record->CreationTime,
                   record->LastWriteTime);
    }
    if (PathExists(program)) {
      Report(GetText(idExecuting, record->Title), 1);
      RunProgram(program, record->Parameters, OnWaiting);  // one that cannot start is passed over
    } else {
      Report(GetText(idMissingProgram, record->Title), 1);
    }
  }
}

void TZpInstall::WriteExpertSettings(const std::string& folder) {
  PadExpertSettings(TerminalSettings);
  const std::string path = IncludeTrailingBackslash(folder) + "config\\experts.ini";
  ForceDirectories(ExtractFileDir(path));
  TExpertSettings settings = NewExpertSettings();
  if (PathExists(path)) {
    TFileStream file(path, TFileMode::OpenRead);
    file.Read(settings.data(), static_cast<int64_t>(settings.size()));
  }
  ApplyExpertSettings(settings, TerminalSettings);
  MakeWritable(path);
  TFileStream file(path, TFileMode::Create);
  file.WriteBuffer(settings.data(), static_cast<int64_t>(settings.size()));
}

void TZpInstall::WriteInfoFile(const std::string& file, const std::string& link, const std::string& text) {
  if (text.empty()) return;
  Report(GetText(idCopyingFile, file), 1);
  UninstallList.push_back({file, umFile});
  ForceDirectories(ExtractFileDir(file));
  WriteTextFile(file, TextLines(text));

  Report(GetText(idCreatingShortcut, link), 1);
  UninstallList.push_back({link, umFile});
  ForceDirectories(ExtractFileDir(link));
  SaveLink(file, ExtractFileDir(file), link);
}

void TZpInstall::WriteUrlShortcut(const std::string& file, const std::string& address) {
  if (address.empty() || address == "mailto:" || address == "http://") return;
  Report(GetText(idCreatingShortcut, file), 1);
  UninstallList.push_back({file, umFile});
  ForceDirectories(ExtractFileDir(file));
  WriteTextFile(file, InternetShortcutText(address));
}

void TZpInstall::WriteUninstaller(const std::string& exe, const std::string& link) {
  UninstallList.push_back({link, umFile});
  Report(GetText(idCreatingUninstaller), 1);

  // Without an uninstaller the installation is still good: a failure here
  // only leaves the old file (or none), and never a half-written one.
  const std::string temporary = ChangeFileExt(exe, ".tmp");
  try {
    ForceDirectories(ExtractFileDir(exe));
    {
      TFileStream installer(FileName, TFileMode::OpenRead);
      MakeWritable(temporary);
      TFileStream uninstaller(temporary, TFileMode::Create);
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
    if (PathExists(exe)) {
      MakeWritable(exe);
      DeleteFileW(WStr(exe).c_str());
    }
    if (!MoveFileW(WStr(temporary).c_str(), WStr(exe).c_str())) RaiseLastOSError(exe);
  } catch (const std::exception&) {
    DeleteFileW(WStr(temporary).c_str());
  }

  Report(GetText(idRegisteringUninstaller), 1);
  RegisterUninstaller(ProgramName, exe);
  ForceDirectories(ExtractFileDir(link));
  SaveLink(exe, ExtractFileDir(exe), link);
}

}  // namespace zp
