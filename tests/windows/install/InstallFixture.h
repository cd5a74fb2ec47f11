// What the run tests share: scratch folders, fake terminals, installers built
// from projects, the captured log, and the clean-up of what a run leaves in
// the machine-wide places (program files, start menu, desktop, registry).
#pragma once

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/WinHandles.h"
#include "engine/ZpClasses.h"
#include "zpbuild/PackageWriter.h"
#include "zpbuild/Project.h"

namespace zp {

// A build path ("/work/...") as Windows under wine sees it ("Z:\work\...").
std::string HostPath(const std::string& path);

std::string ReadText(const std::string& path);  // the bytes of a file
void WriteText(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
uint64_t LastWriteTimeOf(const std::string& path);
void SetLastWriteTime(const std::string& path, uint64_t time);
void SetReadOnly(const std::string& path, bool readOnly);
// Deletes a folder with everything in it (read-only files too).
void DeleteTree(const std::string& path);
// Bytes that differ from file to file.
std::string PseudoRandomBytes(size_t count, uint32_t seed);
// Windows FILETIME of a UTC date.
uint64_t FileTimeOf(int year, int month, int day, int hour = 12, int minute = 0);

// The log of a run, one entry per Report.
struct TLogLine {
  int Percent;
  std::string Text;  // UTF-8
  bool operator==(const TLogLine& other) const { return Percent == other.Percent && Text == other.Text; }
};
void PrintTo(const TLogLine& line, std::ostream* out);

class TLog {
public:
  void Attach(TZpData& engine);
  std::vector<TLogLine> Lines;
  std::vector<std::string> Texts() const;
};

// A program folder name, start-menu folder and registration used by one test,
// removed before and after it.
struct TProgramPlaces {
  explicit TProgramPlaces(std::string programName);
  ~TProgramPlaces();
  void Clear() const;

  std::string ProgramName;
  std::string ProgramFolder;    // program files + "\" + name
  std::string StartMenuFolder;  // all users' programs + "\" + name
  std::string DesktopFolder;    // with a trailing backslash
};

// The base of the run tests: a scratch folder and the places of a program
// named after the test.
class TInstallTest : public ::testing::Test {
protected:
  TInstallTest();
  ~TInstallTest() override;

  // `relative` below the scratch folder.
  std::string Scratch(const std::string& relative) const { return scratch_ + "\\" + relative; }
  // An installer of `project` (ProgramName set to this test's) with zprun's
  // image, at `relative` below the scratch folder.
  std::string BuildInstaller(TProject project, const std::string& relative = "setup.exe");
  // A terminal folder below the scratch folder with a "terminal.exe" of the
  // old (4.0.0.509) or new (4.0.0.1090) layout (a new-layout one at a full
  // path when `relative` names a drive). A new-layout terminal gets a
  // data folder in the user's "MetaQuotes\Terminal" naming it, returned in
  // `dataFolder` and removed with the test.
  std::string OldTerminal(const std::string& relative);
  std::string NewTerminal(const std::string& relative, std::string* dataFolder);

  // Loads the installer into `engine` and attaches the log.
  void Load(TZpInstall& engine, const std::string& installer, const std::vector<std::string>& targets);

  TProgramPlaces places_;
  TLog log_;
  TPackageLayout layout_;

private:
  std::string scratch_;
  std::vector<std::string> dataFolders_;
  // EnableLUA as it was before NewTerminal switched user account control on
  // (wine has it off, and then terminals keep their data in place).
  bool luaSaved_ = false;
  bool luaExisted_ = false;
  DWORD lua_ = 0;
};

// Two files and a program in a project file record: a quick way to add them.
TProjectFile FileRecord(const std::string& path, const std::string& bytes, uint64_t lastWriteTime = 0);

// The default log texts, as the engine fills them in.
std::string Copying(const std::string& path);
std::string Shortcut(const std::string& path);

// Where the lnkinfo check finds its shortcuts: copies `link` there as `name`
// and records the target and working folder it must show.
void ExpectLinkForLnkinfo(const std::string& link, const std::string& name, const std::string& target,
                          const std::string& workingFolder);

}  // namespace zp
