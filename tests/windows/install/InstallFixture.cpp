#include "InstallFixture.h"

#include <objbase.h>

#include <fstream>
#include <ostream>

#include "base/Strings.h"
#include "engine/RunUtils.h"
#include "engine/SysFolders.h"
#include "package/Streams.h"

namespace zp {
namespace {

FILETIME ToFileTime(uint64_t time) {
  return {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}
uint64_t FromFileTime(const FILETIME& time) { return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

WIN32_FILE_ATTRIBUTE_DATA Attributes(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(WStr(path).c_str(), GetFileExInfoStandard, &data)) ADD_FAILURE() << "no such file: " << path;
  return data;
}

std::string TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + " " + info->name();
}

const char kPolicies[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// An "origin.txt" as terminals write it: UTF-16LE with its byte-order mark.
std::string OriginText(const std::string& folder) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : Utf8ToWide(folder)) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

}  // namespace

std::string HostPath(const std::string& path) {
  std::string host = "Z:" + path;
  for (char& c : host)
    if (c == '/') c = '\\';
  return host;
}

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& bytes) {
  ForceDirectories(path.substr(0, path.find_last_of('\\')));
  WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool Exists(const std::string& path) { return GetFileAttributesW(WStr(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t LastWriteTimeOf(const std::string& path) { return FromFileTime(Attributes(path).ftLastWriteTime); }

void SetLastWriteTime(const std::string& path, uint64_t time) {
  const TScopedHandle file(
      CreateFileW(WStr(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file) << path;
  const FILETIME lastWrite = ToFileTime(time);
  EXPECT_TRUE(SetFileTime(file.Get(), nullptr, &lastWrite, &lastWrite));
}

void SetReadOnly(const std::string& path, bool readOnly) {
  SetFileAttributesW(WStr(path).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

void DeleteTree(const std::string& path) {
  const TWideText wide = WStr(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide.c_str());
    return;
  }
  std::vector<std::string> entries;
  for (TFileSearch search(path + "\\*"); search.Found(); search.Next())
    if (!search.IsDots()) entries.push_back(path + "\\" + search.Name());
  for (const std::string& entry : entries) DeleteTree(entry);
  RemoveDirectoryW(wide.c_str());
}

std::string PseudoRandomBytes(size_t count, uint32_t seed) {
  std::string bytes(count, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& c : bytes) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

uint64_t FileTimeOf(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year), time.wMonth = static_cast<WORD>(month), time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour), time.wMinute = static_cast<WORD>(minute);
  FILETIME result;
  SystemTimeToFileTime(&time, &result);
  return FromFileTime(result);
}

void PrintTo(const TLogLine& line, std::ostream* out) { *out << line.Percent << "% \"" << line.Text << '"'; }

void TLog::Attach(TZpData& engine) {
  engine.OnProgress = [this](TZpData&, const std::u16string& text, int percent) {
    Lines.push_back({percent, WideToUtf8(text)});
  };
}

std::vector<std::string> TLog::Texts() const {
  std::vector<std::string> texts;
  for (const TLogLine& line : Lines) texts.push_back(line.Text);
  return texts;
}

TProgramPlaces::TProgramPlaces(std::string programName)
    : ProgramName(std::move(programName)),
      ProgramFolder(GetSpecialFolder(TSpecialFolder::ProgramFiles) + "\\" + ProgramName),
      StartMenuFolder(GetSpecialFolder(TSpecialFolder::CommonPrograms) + "\\" + ProgramName),
      DesktopFolder(GetSpecialFolder(TSpecialFolder::Desktop, true)) {
  Clear();
}

TProgramPlaces::~TProgramPlaces() { Clear(); }

void TProgramPlaces::Clear() const {
  DeleteTree(ProgramFolder);
  DeleteTree(StartMenuFolder);
  UnregisterUninstaller(ProgramName);
}

TInstallTest::TInstallTest() : places_("ZpTest " + TestName()) {
  scratch_ = GetSpecialFolder(TSpecialFolder::Temp, true) + "zp-install-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(GetTickCount());
  DeleteTree(scratch_);
  ForceDirectories(scratch_);
}

TInstallTest::~TInstallTest() {
  DeleteTree(scratch_);
  for (const std::string& folder : dataFolders_) DeleteTree(folder);
  if (luaSaved_) {
    TRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kPolicies, KEY_SET_VALUE)) {
      if (luaExisted_)
        key.WriteInteger("EnableLUA", lua_);
      else
        RegDeleteValueA(key.Get(), "EnableLUA");
    }
  }
}

std::string TInstallTest::BuildInstaller(TProject project, const std::string& relative) {
  project.ProgramName = places_.ProgramName;
  const std::string path = Scratch(relative);
  layout_ = BuildPackage(project, LoadStubImage(HostPath(ZPRUN_EXE)), path);
  return path;
}

std::string TInstallTest::OldTerminal(const std::string& relative) {
  const std::string folder = Scratch(relative);
  ForceDirectories(folder);
  EXPECT_TRUE(CopyFileW(WStr(HostPath(FAKE_TERMINAL_509)).c_str(), WStr(folder + "\\terminal.exe").c_str(), FALSE));
  return folder;
}

std::string TInstallTest::NewTerminal(const std::string& relative, std::string* dataFolder) {
  const std::string folder = relative.find(':') != std::string::npos ? relative : Scratch(relative);
  ForceDirectories(folder);
  EXPECT_TRUE(CopyFileW(WStr(HostPath(FAKE_TERMINAL_1090)).c_str(), WStr(folder + "\\terminal.exe").c_str(), FALSE));
  if (!luaSaved_) {
    TRegKey key;
    EXPECT_EQ(key.Create(HKEY_LOCAL_MACHINE, kPolicies, KEY_ALL_ACCESS), ERROR_SUCCESS);
    luaExisted_ = key.ReadInteger("EnableLUA", lua_);
    key.WriteInteger("EnableLUA", 1);
    luaSaved_ = true;
  }
  const std::string data = GetSpecialFolder(TSpecialFolder::AppData) + "\\MetaQuotes\\Terminal\\ZPTEST" +
                           std::to_string(GetCurrentProcessId()) + std::to_string(dataFolders_.size());
  DeleteTree(data);
  ForceDirectories(data + "\\MQL4");
  WriteText(data + "\\origin.txt", OriginText(folder));
  dataFolders_.push_back(data);
  if (dataFolder) *dataFolder = data;
  return folder;
}

void TInstallTest::Load(TZpInstall& engine, const std::string& installer, const std::vector<std::string>& targets) {
  engine.LoadFromFile(installer);
  engine.Targets = targets;
  log_.Attach(engine);
}

TProjectFile FileRecord(const std::string& path, const std::string& bytes, uint64_t lastWriteTime) {
  TProjectFile file;
  file.Path = path;
  file.Content = TContent::FromBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  file.CreationTime = FileTimeOf(2019, 5, 6);
  file.LastWriteTime = lastWriteTime ? lastWriteTime : FileTimeOf(2020, 7, 8);
  return file;
}

std::string Copying(const std::string& path) { return "Copying file " + path + " ..."; }
std::string Shortcut(const std::string& path) { return "Creating shortcut " + path + " ..."; }

void ExpectLinkForLnkinfo(const std::string& link, const std::string& name, const std::string& target,
                          const std::string& workingFolder) {
  const std::string folder = HostPath(LINK_CHECK_DIR);
  // The lnkinfo check reads what the last run that wrote shortcuts left: the
  // first one of this run starts afresh, and a run that writes none (the one
  // under the Cyrillic account) leaves the list alone.
  static bool started = false;
  if (!started) DeleteTree(folder), started = true;
  ForceDirectories(folder);
  EXPECT_TRUE(CopyFileW(WStr(link).c_str(), WStr(folder + "\\" + name).c_str(), FALSE)) << link;
  std::ofstream expected(folder + "\\expected.txt", std::ios::app | std::ios::binary);
  expected << name << '|' << target << '|' << workingFolder << '\n';
}

}  // namespace zp

namespace zp {
namespace {

// The shell link object needs COM, which the wizard initialises at start.
class TRunEnvironment : public ::testing::Environment {
public:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
};
::testing::Environment* const runEnvironment = ::testing::AddGlobalTestEnvironment(new TRunEnvironment);

}  // namespace
}  // namespace zp
