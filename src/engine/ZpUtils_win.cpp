#include <windows.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "base/Strings.h"
#include "base/SystemLibrary.h"
#include "base/WinHandles.h"
#include "engine/SysFolders.h"
#include "engine/ZpUtils.h"
#include "package/Streams.h"
#include "strings/TextIds.h"

namespace zp {

namespace {

const char kOriginFile[] = "origin.txt";
// Enough for the longest path Windows knows, a mark and a line break.
constexpr int64_t kMaxOriginBytes = 64 * 1024 + 16;

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WStr(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Letter case ignored the way the system sees it, for every alphabet.
bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  const TWideText wa = WStr(a), wb = WStr(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, wa.c_str(), static_cast<int>(wa.size()),
                        wb.c_str(), static_cast<int>(wb.size())) == CSTR_EQUAL;
}

// Calls `visit` with the name of every subfolder of `folder` that is neither
// hidden nor a system folder (the terminal scans have never looked at those).
template <typename TVisit>
void ScanFolders(const std::string& folder, TVisit visit) {
  for (TFileSearch search(folder + "\\*.*"); search.Found(); search.Next()) {
    if (search.IsDots() || !search.IsFolder()) continue;
    if (search.Attributes() & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    visit(search.Name());
  }
}

// Runs one scan; a failure ends that scan only.
template <typename TScan>
void Guarded(TScan scan) {
  try {
    scan();
  } catch (const std::exception&) {
  }
}

}  // namespace

bool PathExists(const std::string& path) { return TFileSearch(path).Found(); }

bool IsNewTerminal(const std::string& terminalExe) {
  // version.dll is no known DLL of the system: looked up, never imported.
  using TGetSize = DWORD(WINAPI*)(LPCWSTR file, LPDWORD handle);
  using TGetInfo = BOOL(WINAPI*)(LPCWSTR file, DWORD handle, DWORD size, LPVOID data);
  using TQueryValue = BOOL(WINAPI*)(LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT length);
  const auto getSize = SystemFunction<TGetSize>(L"version.dll", "GetFileVersionInfoSizeW");
  const auto getInfo = SystemFunction<TGetInfo>(L"version.dll", "GetFileVersionInfoW");
  const auto queryValue = SystemFunction<TQueryValue>(L"version.dll", "VerQueryValueW");
  if (!getSize || !getInfo || !queryValue) return true;
  const std::u16string file = Utf8ToWide(terminalExe);
  DWORD ignored = 0;
  const DWORD size = getSize(W(file), &ignored);
  if (size == 0) return true;
  std::vector<char> info(size);
  if (!getInfo(W(file), 0, size, info.data())) return true;
  void* fixed = nullptr;
  UINT length = 0;
  if (!queryValue(info.data(), L"\\", &fixed, &length) || length < sizeof(VS_FIXEDFILEINFO)) return true;
  const auto* version = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return IsNewTerminalVersion(version->dwFileVersionMS, version->dwFileVersionLS);
}

bool IsUACDisabled() {
  TRegKey key;
  DWORD enabled = 1;
  return key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System") &&
         key.ReadInteger("EnableLUA", enabled) && enabled == 0;
}

void ListSubfolders(const std::string& folder, std::vector<std::string>& names) {
  for (TFileSearch search(folder + "*.*"); search.Found(); search.Next())
    if (!search.IsDots() && search.IsFolder()) names.push_back(search.Name());
}

std::string ReadOriginFile(const std::string& path) {
  TFileStream file(path, TFileMode::OpenRead);
  std::string bytes(static_cast<size_t>(std::min(file.Size(), kMaxOriginBytes)), '\0');
  file.ReadBuffer(&bytes[0], static_cast<int64_t>(bytes.size()));
  return DecodeOriginText(bytes);
}

std::string GetDataFolder(const std::string& terminal, const std::string& appData, bool uacDisabled) {
  if (uacDisabled) {
    // A terminal keeps its data in its own folder then.
    if (!terminal.empty() && terminal.back() == '\\') return terminal.substr(0, terminal.size() - 1);
    return terminal;
  }
  const std::string base = appData + "\\MetaQuotes\\Terminal\\";
  std::vector<std::string> names;
  ListSubfolders(base, names);
  for (const std::string& name : names) {
    const std::string origin = base + name + "\\" + kOriginFile;
    if (!PathExists(origin)) continue;
    try {
      if (SameTextAscii(ReadOriginFile(origin), terminal)) return base + name;
    } catch (const EZpError&) {
      // Unreadable: not this one.
    }
  }
  return terminal;
}

std::string GetDataFolder(const std::string& terminal) {
  if (IsUACDisabled()) return GetDataFolder(terminal, std::string(), true);
  return GetDataFolder(terminal, GetSpecialFolder(TSpecialFolder::AppData), false);
}

TTerminalRoots TTerminalRoots::System() {
  return {GetSpecialFolder(TSpecialFolder::ProgramFiles), "C:", GetSpecialFolder(TSpecialFolder::AppData)};
}

void FindTerminals(ITerminalList& list, const TZpTrans& texts, const TMessageFunc& showMessage,
                   const TTerminalRoots& roots) {
  list.Clear();
  std::vector<std::string> found;
  auto add = [&](const std::string& folder) {
    list.AddTerminal(folder, true);
    found.push_back(folder);
  };
  auto scanInstallFolders = [&](const std::string& root) {
    ScanFolders(root, [&](const std::string& name) {
      const std::string folder = root + "\\" + name;
      if (PathExists(folder + "\\terminal.exe")) add(folder);
    });
  };
  Guarded([&] { scanInstallFolders(roots.ProgramFiles); });
  Guarded([&] { scanInstallFolders(roots.DriveRoot); });
  Guarded([&] {
    const std::string base = roots.AppData + "\\MetaQuotes\\Terminal";
    ScanFolders(base, [&](const std::string& name) {
      const std::string dataFolder = base + "\\" + name;
      const std::string origin = dataFolder + "\\" + kOriginFile;
      if (!IsFolder(dataFolder + "\\MQL4") || !PathExists(origin)) return;
      std::string terminal;
      try {
        terminal = ReadOriginFile(origin);
      } catch (const EZpError&) {
        return;  // unreadable: the other data folders still count
      }
      if (terminal.empty()) return;
      for (const std::string& known : found)
        if (SameTextIgnoringCase(known, terminal)) return;
      add(terminal);
    });
  });
  if (found.empty()) {
    add(roots.ProgramFiles + "\\MetaTrader 4");
    if (showMessage) showMessage(texts.GetText(idNoTerminalFound), TMessageKind::Warning);
  }
}

bool IsTerminalRunning() { return FindWindowW(WStr(kTerminalWindowClass).c_str(), nullptr) != nullptr; }

void ShowMessageBox(const std::u16string& text, TMessageKind kind) {
  const bool error = kind == TMessageKind::Error;
  MessageBoxW(nullptr, W(text), error ? L"Error" : L"Warning",
              MB_OK | MB_TASKMODAL | (error ? MB_ICONERROR : MB_ICONWARNING));
}

}  // namespace zp
