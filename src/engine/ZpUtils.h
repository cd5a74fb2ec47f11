// Finding MetaTrader 4 terminals: which folders hold one, which layout a
// terminal has, where a new-layout terminal keeps its add-ons (its data
// folder, named by an "origin.txt"), and whether a terminal is running.
// Also the one way engine code shows a message to the user.
//
// Terms: a terminal's installation folder holds its "terminal.exe". A
// new-layout terminal (file version 4, build 600 or higher) keeps its add-ons
// under "MQL4" in a per-user data folder below "MetaQuotes\Terminal" of the
// roaming application data; an old-layout one directly in its folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "strings/ZpTrans.h"

namespace zp {

// ---- Messages --------------------------------------------------------------

enum class TMessageKind { Error, Warning };

// Shows a modal message with one OK button. The engine never shows a box
// itself: it calls the function it was handed, so that the wizard can own
// the box and tests can watch it.
using TMessageFunc = std::function<void(const std::u16string& text, TMessageKind kind)>;

// The default: a task-modal MessageBoxW with an OK button. Windows only.
void ShowMessageBox(const std::u16string& text, TMessageKind kind);

// ---- Portable parts --------------------------------------------------------

// The installation folder named by the bytes of an "origin.txt", as UTF-8:
// UTF-16 little-endian after an FF FE mark, big-endian after an FE FF mark;
// UTF-8 after an EF BB BF mark. Without a mark: UTF-16 little-endian when
// the bytes hold a NUL, else UTF-8 when they are valid UTF-8, else ANSI text
// of the system code page. The text ends at a NUL character; its line breaks
// become CR LF; leading and trailing blanks and control characters are
// trimmed.
std::string DecodeOriginText(const std::string& bytes);

// True for the file version of a new-layout terminal: major 4 (high word of
// the most significant half) and build 600 or more (low word of the least
// significant half).
bool IsNewTerminalVersion(uint32_t fileVersionMS, uint32_t fileVersionLS);

// ---- Windows ---------------------------------------------------------------

// True when a search for `path` finds a file or folder; wildcards act as
// wildcards.
bool PathExists(const std::string& path);

// True when the "terminal.exe" at `terminalExe` is a new-layout terminal, and
// when its version cannot be read at all (no file, no version resource).
bool IsNewTerminal(const std::string& terminalExe);

// True when user account control is switched off: the integer value
// "EnableLUA" of the system policies key reads 0. False when the key or the
// value is missing or not an integer.
bool IsUACDisabled();

// Appends the names (not paths) of the direct subfolders of `folder`, which
// ends with a backslash, in the order the file system lists them. A folder
// that cannot be searched adds nothing.
void ListSubfolders(const std::string& folder, std::vector<std::string>& names);

// The installation folder named by the "origin.txt" at `path`. Raises
// EZpError (EOSError, EStreamError) when the file cannot be read.
std::string ReadOriginFile(const std::string& path);

// The folder into which a new-layout terminal installed in `terminal` takes
// its add-ons: with user account control off, `terminal` itself (without a
// trailing backslash); otherwise the first data folder below
// `appData` + "\MetaQuotes\Terminal" whose "origin.txt" names `terminal`
// (ASCII letters compared ignoring case, the text otherwise exactly); and
// `terminal` unchanged when none does.
std::string GetDataFolder(const std::string& terminal, const std::string& appData, bool uacDisabled);
// The same for this machine and user: roaming application data and IsUACDisabled.
std::string GetDataFolder(const std::string& terminal);

// The selection page's check list, as FindTerminals fills it.
class ITerminalList {
public:
  virtual void Clear() = 0;
  virtual void AddTerminal(const std::string& folder, bool checked) = 0;

protected:
  ~ITerminalList() = default;
};

// Where FindTerminals looks.
struct TTerminalRoots {
  std::string ProgramFiles;  // its subfolders holding a "terminal.exe"
  std::string DriveRoot;     // likewise ("C:")
  std::string AppData;       // roaming application data: "MetaQuotes\Terminal" below it
  // This machine: program files (kind 28), "C:", roaming application data (kind 8).
  static TTerminalRoots System();
};

// Empties the list and fills it, every entry checked: the subfolders of the
// program files folder and of drive C that hold a "terminal.exe", then the
// folders named by the "origin.txt" of every data folder that has an "MQL4"
// subfolder, unless the list holds that name already (letter case ignored).
// Each scan that fails ends silently; a data folder whose "origin.txt" cannot
// be read, or names nothing, is skipped. When nothing is found, adds program
// files + "\MetaTrader 4" and shows text 105 of `texts` ("We cannot find any
// MetaTrader folder...") as a warning through `showMessage`.
void FindTerminals(ITerminalList& list, const TZpTrans& texts, const TMessageFunc& showMessage,
                   const TTerminalRoots& roots = TTerminalRoots::System());

// True when a top-level window of class "MetaQuotes::MetaTrader::4.00" exists.
bool IsTerminalRunning();

// The class name of the terminal's main window.
extern const char* const kTerminalWindowClass;

}  // namespace zp
