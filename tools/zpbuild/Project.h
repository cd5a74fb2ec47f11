// The package project: everything an installer carries, as the publisher
// describes it. Projects come from a TOML file (ProjectReader) or are built in
// code (tests and benchmarks); BuildPackage (PackageWriter) turns one into an
// installer.
//
// Texts (names, paths, parameters) and translations are UTF-8, and the
// package says so with its text-encoding mark. The licence and the other
// documents are files, stored byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Errors.h"

namespace zp {

// A problem with a project: one line naming the file, the field and what is
// wrong.
class EProjectError : public EZpError {
public:
  using EZpError::EZpError;
};

// Every problem of a project at once, one line each; the message holds them
// all, one per line.
class EProjectErrors : public EProjectError {
public:
  EProjectErrors(std::vector<std::string> lines, bool stopped)
      : EProjectError(Joined(lines, stopped)), lines_(std::move(lines)), stopped_(stopped) {}
  const std::vector<std::string>& Lines() const { return lines_; }
  // True when reading stopped at the most problems it names.
  bool Stopped() const { return stopped_; }

private:
  static std::string Joined(const std::vector<std::string>& lines, bool stopped) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    if (stopped) text += "\n(stopped after " + std::to_string(lines.size()) + " problems)";
    return text;
  }
  std::vector<std::string> lines_;
  bool stopped_;
};

using TContentKey = std::array<uint8_t, 16>;

// What a record stores: the bytes of a file read at build time (streamed,
// never loaded whole), or bytes held in memory.
struct TContent {
  std::string SourcePath;      // when not empty: this file's bytes
  std::vector<uint8_t> Bytes;  // otherwise: these bytes

  static TContent FromFile(std::string path) { return {std::move(path), {}}; }
  static TContent FromBytes(std::vector<uint8_t> bytes) { return {{}, std::move(bytes)}; }
  bool FromFile() const { return !SourcePath.empty(); }
};

struct TProjectFile {
  std::string Path;  // target path with placeholders, e.g. {experts}\Demo.ex4
  TContent Content;
  // Windows FILETIME values; unset: TProject::FixedTime, else the source
  // file's last-write time (the build time for content held in memory).
  std::optional<uint64_t> CreationTime;
  std::optional<uint64_t> LastWriteTime;
  std::string ShortcutName;  // start-menu shortcut; empty for none
  bool DesktopShortcut = false;
  bool KeepNewer = false;
  bool KeepOnUninstall = false;
};

// When a program of the package is started.
enum TStage : int32_t { stWizardStart = 0, stBeforeFiles = 1, stAfterFiles = 2, stWizardClose = 3 };

struct TProjectExec {
  bool External = false;  // already on the machine: no content
  std::string Path;       // program path with placeholders
  std::string Title;      // shown in the progress log
  std::string Parameters;
  int32_t Stage = stAfterFiles;
  TContent Content;       // ignored for an external program
  std::optional<uint64_t> CreationTime;
  std::optional<uint64_t> LastWriteTime;
};

struct TTranslation {
  int32_t Id = 0;
  std::string Text;  // UTF-8; "|" breaks the line, %1 and %2 take arguments
};

struct TProject {
  std::string ProgramName;
  int32_t VersionMajor = 1;
  int32_t VersionMinor = 0;
  int32_t Build = 0;    // shown only when above 0
  int32_t Release = 0;  // shown only when above 0
  std::string Publisher;
  std::string Website;
  std::string Address;
  std::string ContactName;
  std::string Email;

  std::string License;   // RTF or plain text, stored as it is
  std::string Readme;
  std::string WhatsNew;
  std::vector<uint8_t> Banner;  // JPEG file bytes; empty for none
  std::vector<uint8_t> Splash;

  std::vector<TTranslation> Translations;
  std::string TerminalSettings;  // up to 8 of "0", "1", " "; empty: leave alone

  std::optional<TContentKey> Key;  // unset: derived from the package's inputs
  // The time of every record that gives none of its own (the project's
  // SOURCE_DATE_EPOCH); unset: each file's last-write time.
  std::optional<uint64_t> FixedTime;
  // Store each content's CRC-32 for the installer to check (on by default;
  // off only to measure what the check costs).
  bool ContentChecksums = true;
  // Mark the texts as UTF-8 (always, for a project of zpbuild). Off, the
  // package is written as the first builders wrote it: no mark, and the texts
  // must then be ANSI bytes, read in the installing system's code page.
  bool Utf8Texts = true;
  // Compress the contents (Zstandard, with a dictionary made of the package's
  // small text files); each content that does not shrink is stored as it is.
  bool Compression = true;

  std::vector<TProjectFile> Files;
  std::vector<TProjectExec> Execs;
};

// Checks a target path as the installer does (TargetPathProblem): a known
// placeholder, a drive ("C:\") or a network share first, then names Windows
// can hold, the last one a file. Returns the problem, or "" when it is fine.
std::string CheckTargetPath(const std::string& path);

// Checks a terminal settings text; returns the problem or an empty string.
std::string CheckTerminalSettings(const std::string& settings);

}  // namespace zp
